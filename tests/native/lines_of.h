// Feeds an answer to a line splitter in chunks of the given sizes, in turn; collects the lines.
#pragma once

#include "service/answer.h"

#include <algorithm>
#include <vector>

using Lines = std::vector<std::string>;

inline Lines linesOf(const std::string& answer, const std::vector<size_t>& sizes = {1024}) {
    Lines lines;
    LineSplitter splitter;
    for (size_t at = 0, n = 0, size; at < answer.size(); at += size, ++n) {
        size = std::min(sizes[n % sizes.size()], answer.size() - at);
        splitter.feed(answer.data() + at, size,
                      [&lines](const std::string& line) { lines.push_back(line); });
    }
    return lines;
}
