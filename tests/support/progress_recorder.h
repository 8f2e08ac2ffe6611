// Records the progress reports the core makes, and builds host file lists, for tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pbo/progress.h"

namespace qp::test {

using ProgressReports = std::vector<std::pair<std::string, int>>;

// Every report since recording started: the name and the size or negated percentage.
extern ProgressReports progress_reports;

// Reports to `recorded` go to the record; once it holds `stop_at_report` reports (when not 0),
// the answer is stop, as from a host whose user pressed Cancel.
extern Progress recorded;
extern int stop_at_report;

// Clears the record, readies `recorded` and makes the record the host's stored progress callback
// too; stopping removes the callback.
void StartRecordingProgress();
void StopRecordingProgress();

// Items as the host passes them: NUL-separated, closed by an empty item.
std::string HostList(const std::vector<std::string>& items);

}  // namespace qp::test
