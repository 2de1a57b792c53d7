#pragma once

struct AppContext;
class MainWindowServices;

namespace LaborageImport {

// The command behind "上传文件导入" of the payroll tab: asks for the file, reads
// it whole (a workbook behind the busy window), asks before the instructions
// the list shows are replaced and imports the records (importRecords).
// `listShowsInstruction` tells whether the payroll list shows an instruction.
void importPayrollFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction);

} // namespace LaborageImport
