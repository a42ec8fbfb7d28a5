#include "app/capture/FrameWriter.h"

#include "app/capture/PngSequenceWriter.h"
#include "app/capture/VideoWriter.h"

namespace Zem::App {

FrameWriter::~FrameWriter() = default;

bool FrameWriter::isVideoPath(const std::string& out) {
    const auto endsWith = [&out](const std::string& ending) {
        return out.size() > ending.size() &&
               out.compare(out.size() - ending.size(), ending.size(), ending) == 0;
    };
    return endsWith(".mp4") || endsWith(".mkv");
}

std::unique_ptr<FrameWriter> FrameWriter::forOutput(const std::string& out, int width, int height) {
    if (isVideoPath(out)) {
        return std::make_unique<VideoWriter>(out, width, height);
    }
    return std::make_unique<PngSequenceWriter>(out);
}

bool FrameWriter::fail(const std::string& reason) {
    if (why.empty()) {
        why = reason;
    }
    return false;
}

} // namespace Zem::App
