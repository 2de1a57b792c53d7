#pragma once

#include <QStringList>

// What an instruction tab hands to its entry dialog (frmPaymentB2B,
// frmLaborage) before showing it modally: setParentForm (always the main
// window's services), setPayIdx and, for a change, setRecordValue with the
// texts of the chosen row.
struct InstructionDialogRequest {
    int payIdx = 1;
    // False: a new instruction (cmdUpdate and cmdDelete disabled).
    // True: change or delete the chosen one (cmdAdd disabled).
    bool change = false;
    // The chosen row's texts, in the order the dialog's setRecordValue takes
    // them (change only): eleven for a batch payment (serial number, payer
    // account, payer name, kind description, payee account, payee name, branch
    // number, area number, payment-system bank number, amount, remark), six for
    // a payroll instruction (serial number, account, kind description, bank
    // number, amount, remark).
    QStringList recordValue;
};
