#pragma once

// Fixed texts of the voucher import: the status line's texts and the defaults the import types stage. Each
// import type keeps its own location code with its type table.

namespace vouchers {

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
