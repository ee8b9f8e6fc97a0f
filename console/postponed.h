#pragma once
// Receipts put aside on the sale page and taken up again: three slots kept for the run of the
// program, nothing written to disk.
#include "saleline.h"

#include <array>
#include <vector>

namespace fprn::console {

class TMainForm;

struct PostponedReceipt {
    bool held = false;
    std::vector<SaleLine> lines;
    double total = 0;
    double tax = 0;
    bool discountEnabled = false;
};

struct PostponedReceipts {
    std::array<PostponedReceipt, kPostponeSlots> stored; // slot n at n - 1
    int next = 1;                                        // NextPostponeSlot
};
PostponedReceipts& Postponed(TMainForm& form);

} // namespace fprn::console
