// How an archive operation ended, in terms the plugin turns into host result codes.
#pragma once

namespace qp {

enum class Outcome {
    ok,
    end_of_archive,  // no more entries
    no_memory,       // a buffer could not be allocated
    bad_data,        // an entry's data is damaged
    bad_archive,     // the archive cannot be opened or its structure is damaged
    open_failed,     // a file could not be opened
    create_failed,   // an output file could not be created
    close_failed,
    read_failed,  // a read failed or ended early
    write_failed,
    aborted,  // the user cancelled: a progress report was answered with stop
};

}  // namespace qp
