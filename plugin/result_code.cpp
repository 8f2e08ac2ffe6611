// The one place where outcomes meet the host's numbers.
#include "plugin/result_code.h"

#include "plugin/wcx.h"

namespace qp {

int ResultCode(Outcome outcome) {
    switch (outcome) {
        case Outcome::ok:
            return 0;
        case Outcome::end_of_archive:
            return E_END_ARCHIVE;
        case Outcome::no_memory:
            return E_NO_MEMORY;
        case Outcome::bad_data:
            return E_BAD_DATA;
        case Outcome::bad_archive:
            return E_BAD_ARCHIVE;
        case Outcome::open_failed:
            return E_EOPEN;
        case Outcome::create_failed:
            return E_ECREATE;
        case Outcome::close_failed:
            return E_ECLOSE;
        case Outcome::read_failed:
            return E_EREAD;
        case Outcome::write_failed:
            return E_EWRITE;
        case Outcome::aborted:
            return E_EABORTED;
    }
    return E_BAD_ARCHIVE;
}

}  // namespace qp
