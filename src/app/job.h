#pragma once
// The state of the current mail-merge job and of a mailing in progress. Owned by the main
// window (or the command-line tool); only its thread touches it, except `stopFlag`.

#include "merge/grid_table.h"
#include "merge/mailing_grid.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace quillory::app {

struct Job {
    merge::GridTable mailingGrid;
    merge::GridTable bufferGrid;
    const int firstDataRow = merge::firstDataRow;
    const int firstDataCol = merge::firstDataCol;
    int addressCol = -1;
    int selectedRow = -1;
    int markedRow = 0;
    std::string subject;
    std::vector<std::string> attachmentList;
    std::string fromName;
    std::string fromAddress;
    std::string hostName;
    int hostPort = 25;
    int connectionTimeout = 1000;
    bool testMode = true;
    std::string jobFileName;

    // The mailing in progress.
    int sendRow = 0;
    int rowTotal = 0;
    int sentCount = 0;
    std::atomic<bool> stopFlag{false};
    std::vector<std::uint8_t> resultList;
    std::vector<std::string> failedList;
};

} // namespace quillory::app
