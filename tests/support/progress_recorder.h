// Records the progress reports the core makes, and builds host file lists, for tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qp::test {

using ProgressReports = std::vector<std::pair<std::string, int>>;

// Every report since recording started: the name and the size or negated percentage.
extern ProgressReports progress_reports;

// Clears the record and makes it the stored progress callback; stopping removes the callback.
void StartRecordingProgress();
void StopRecordingProgress();

// Items as the host passes them: NUL-separated, closed by an empty item.
std::string HostList(const std::vector<std::string>& items);

}  // namespace qp::test
