#pragma once
#include "core/db/grid_spec.h"
#include "core/outcome.h"

// Suppliers (bm_ghs, window TBM_GHS and the picker Txzghs, which edits them
// too). LJJE and ZHQK are booked by the trade documents' audits through
// relative updates, so a new supplier starts at 0 in both.
namespace SupplierList {

GridSpec spec();

// The number of stored suppliers (rows appended but not saved do not count).
Outcome storedCount(int *count);

} // namespace SupplierList
