#pragma once

struct AppContext;
class MainWindowServices;

namespace PaymentImport {

// The command behind "上传文件导入" of the batch payment tab: asks for the file,
// asks before the instructions the list shows are replaced, and replaces the
// batch in one transaction (importRecords), so a stop leaves payment and
// pay_acc as they were. A file that cannot be read, is not a usable document
// or holds no instruction is refused before the question.
// `listShowsInstruction` tells whether the batch list shows an instruction.
void importBatchPaymentFile(AppContext& ctx, MainWindowServices& main, bool listShowsInstruction);

} // namespace PaymentImport
