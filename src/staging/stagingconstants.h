#pragma once

// Fixed texts and numbers of the staging store and the voucher builder.

#include <QtGlobal>

namespace staging {

// The staging file in the program folder.
inline constexpr char stagingFileName[] = "Pelko10.DAT";

// Location codes of the staging routines, as error reports show them.
inline constexpr char locationSaveAddress[] = "C01--0002";
inline constexpr char locationSaveBasicBuyerAddress[] = "C01--0003";
inline constexpr char locationSaveBasicOrderTerms[] = "C01--0004";
inline constexpr char locationSaveInvoiceDelNotes[] = "C01--0005";
inline constexpr char locationSaveInvoiceOrderList[] = "C01--0006";
inline constexpr char locationSaveBatchAllocation[] = "C01--0007";
inline constexpr char locationSaveAccountingAllocation[] = "C01--0008";
inline constexpr char locationSaveInventoryEntry[] = "C01--0009";
inline constexpr char locationSaveInventoryEntryIN[] = "C01--0009A";
inline constexpr char locationSaveInventoryEntryOut[] = "C01--0009B";
inline constexpr char locationSaveAllInventoryEntry[] = "C01--0009C";
inline constexpr char locationSaveBillAllocation[] = "C01--0010";
inline constexpr char locationSaveTaxBillAllocation[] = "C01--0010A";
inline constexpr char locationSaveLedgerEntry[] = "C01--0011";
inline constexpr char locationSaveAllLedgerEntry[] = "C01--0011A";
inline constexpr char locationSaveCategoryAllocations[] = "C01--0018";
inline constexpr char locationSaveVoucher[] = "C01--0019";
inline constexpr char locationPostStagedVoucher[] = "C01--0020";
// Taking the next voucher id from the counter the file keeps.
inline constexpr char locationTakeVchID[] = "C01--0022";
// The statement runner, which carries the clean-up of a company.
inline constexpr char locationExecStagingSql[] = "C01--0023";

// The number of a failure the database reports, as the data-access components of the classic program
// number it, so an error box reads as users know it.
inline constexpr qint32 errDatabase = qint32(0x80004005U); // -2147467259

// An id the builder needs that the file holds as Null.
inline constexpr qint32 errInvalidUseOfNull = 94;

// How long a write waits for another Pelko that holds the file before it gives up.
inline constexpr int defaultBusyTimeoutMs = 5000;

} // namespace staging
