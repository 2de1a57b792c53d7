#pragma once

struct AppContext;
class frmMain;
class TabPage;

// The six tabs of the main window, each made by its own subsystem.
TabPage* createPaymentB2B(AppContext& ctx, frmMain& main);
TabPage* createPayAccList(AppContext& ctx, frmMain& main);
TabPage* createPayeeAccList(AppContext& ctx, frmMain& main);
TabPage* createLaborage(AppContext& ctx, frmMain& main);
TabPage* createEmployeeList(AppContext& ctx, frmMain& main);
TabPage* createUserRemarkList(AppContext& ctx, frmMain& main);
