#include "support/BeatMatch.h"

#include "support/Percentile.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace ZemBench {

std::vector<LoggedFrame> readFrameLog(std::istream& in) {
    std::vector<LoggedFrame> frames;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        LoggedFrame frame;
        if (fields >> frame.presentedMs >> frame.showMs >> frame.camera) {
            frames.push_back(frame);
        }
    }
    return frames;
}

std::vector<LoggedFrame> cutsIn(const std::vector<LoggedFrame>& frames) {
    std::vector<LoggedFrame> cuts;
    for (size_t i = 1; i < frames.size(); ++i) {
        if (frames[i].camera != frames[i - 1].camera) {
            cuts.push_back(frames[i]);
        }
    }
    return cuts;
}

FrameIntervals frameIntervals(const std::vector<LoggedFrame>& frames) {
    FrameIntervals result;
    if (frames.size() < 2) {
        return result;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < frames.size(); ++i) {
        intervals.push_back(frames[i].presentedMs - frames[i - 1].presentedMs);
    }
    std::sort(intervals.begin(), intervals.end());
    const size_t middle = intervals.size() / 2;
    result.medianMs = intervals.size() % 2 == 1 ? intervals[middle]
                                                : (intervals[middle - 1] + intervals[middle]) / 2.0;
    result.longestMs = intervals.back();
    result.slow =
        static_cast<size_t>(intervals.end() - std::upper_bound(intervals.begin(), intervals.end(),
                                                               2.0 * result.medianMs));
    return result;
}

std::vector<double> clicksOnBeats(const std::vector<double>& heardMs, double beatMs, size_t beats) {
    std::vector<double> onBeats(beats, -1.0);
    size_t beat = 0;
    double lastMs = 0.0;
    for (const double heard : heardMs) {
        if (beat > 0) {
            const double gap = (heard - lastMs) / beatMs;
            if (gap < 0.5) {
                continue;
            }
            beat += static_cast<size_t>(std::llround(gap));
        } else {
            beat = 1;
        }
        if (beat > beats) {
            break;
        }
        onBeats[beat - 1] = heard;
        lastMs = heard;
    }
    return onBeats;
}

OffsetSummary summarize(const std::vector<double>& offsetsMs) {
    OffsetSummary summary;
    summary.count = offsetsMs.size();
    if (offsetsMs.empty()) {
        return summary;
    }
    std::vector<double> sizes;
    for (const double offset : offsetsMs) {
        summary.meanMs += offset;
        sizes.push_back(std::abs(offset));
    }
    summary.meanMs /= static_cast<double>(offsetsMs.size());
    summary.p95Ms = percentile95(sizes);
    return summary;
}

} // namespace ZemBench
