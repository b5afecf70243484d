#pragma once

// Fixed texts of the voucher import: location codes as error reports show them, the status line's texts and the
// defaults the import types stage.

namespace vouchers {

// The posting procedures, procedures of the main window.
inline constexpr char locationPostTransaction[] = "F01-0023";
inline constexpr char locationPostTDSTransaction[] = "F01-0023A";
inline constexpr char locationPostServTaxTransaction[] = "F01-0023B";
inline constexpr char locationPostQuickTransaction[] = "F01-0023C";
inline constexpr char locationPostItemizedTransaction[] = "F01-0024";
inline constexpr char locationPostVATTransaction[] = "F01-0024A";
inline constexpr char locationPostVATTransactionMC[] = "F01-0024MC";
inline constexpr char locationPostCostTransaction[] = "F01-0025";
inline constexpr char locationPostOrders[] = "F01-0047";
inline constexpr char locationPostNotes[] = "F01-0048";
inline constexpr char locationPostVoucherRegister[] = "F01-0026";
inline constexpr char locationPostSTTDSTransaction[] = "F01-0025A";
inline constexpr char locationPostCrDrNotes[] = "F01-0050";
inline constexpr char locationPostStockJV[] = "F01-0049";
inline constexpr char locationPostPhysicalStock[] = "F01-0051";

inline constexpr char statusDeleting[] = "Deleting Previous Data";
inline constexpr char statusProcessed[] = "Processed Document: ";
inline constexpr char statusFinished[] = "Finished Posing of Data.";

// What a voucher whose staging failed shows instead of a reply: it was never sent.
inline constexpr char resultNotStaged[] = "ERROR: the voucher could not be staged completely and was not sent";

// The action every voucher asks of the server.
inline constexpr char actionCreate[] = "Create";

inline constexpr char primaryCostCategory[] = "Primary Cost Category";
inline constexpr char mainLocation[] = "Main Location";
inline constexpr char primaryBatch[] = "Primary Batch";
inline constexpr char newRef[] = "New Ref";

} // namespace vouchers
