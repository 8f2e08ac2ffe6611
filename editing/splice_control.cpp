// The splices' test controls and their failure countdown.
#include "editing/splice_control.h"

namespace qp {

SpliceControl splice_control;

bool SpliceFailureInjected() {
    if (splice_control.failing_splice <= 0) return false;
    return --splice_control.failing_splice == 0;
}

}  // namespace qp
