// The test side of the progress callback.
#include "support/progress_recorder.h"

#include "plugin/progress.h"

namespace qp::test {
namespace {

bool Record(void*, const char* name, int size) {
    progress_reports.emplace_back(name, size);
    return stop_at_report == 0 ||
           progress_reports.size() < static_cast<std::size_t>(stop_at_report);
}

int WCX_CALL RecordFromHost(char* name, int size) {
    return Record(nullptr, name, size) ? 1 : 0;
}

}  // namespace

ProgressReports progress_reports;
Progress recorded{Record, nullptr, false};
int stop_at_report = 0;

void StartRecordingProgress() {
    progress_reports.clear();
    recorded = Progress{Record, nullptr, false};
    stop_at_report = 0;
    StoreThreadCallback({RecordFromHost, nullptr});
}

void StopRecordingProgress() {
    StoreThreadCallback({});
}

std::string HostList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    return list + '\0';
}

}  // namespace qp::test
