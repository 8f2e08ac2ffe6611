// The test side of the progress callback.
#include "support/progress_recorder.h"

#include "plugin/progress.h"

namespace qp::test {
namespace {

int WCX_CALL Record(char* name, int size) {
    progress_reports.emplace_back(name, size);
    return 1;
}

}  // namespace

ProgressReports progress_reports;

void StartRecordingProgress() {
    progress_reports.clear();
    StoreProgressCallback(Record);
}

void StopRecordingProgress() {
    StoreProgressCallback(nullptr);
}

std::string HostList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    return list + '\0';
}

}  // namespace qp::test
