#include "app/capture/FrameWriter.h"

#include "app/capture/PngSequenceWriter.h"
#include "app/capture/VideoWriter.h"

#include <cctype>
#include <filesystem>

namespace Zem::App {

FrameWriter::~FrameWriter() = default;

FrameWriter::Form FrameWriter::formOf(const std::string& out) {
    if (out.empty() || out.back() == '/' || out.back() == '\\') {
        return Form::Folder;
    }
    const std::string name = std::filesystem::path(out).filename().string();
    const auto dot = name.rfind('.');
    // "." and "..", or a hidden name such as ".frames", have no extension.
    if (dot == std::string::npos || dot == 0 || name == "..") {
        return Form::Folder;
    }
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == "mp4") {
        return Form::Mp4;
    }
    if (extension == "mkv") {
        return Form::Mkv;
    }
    return Form::Unknown;
}

std::unique_ptr<FrameWriter> FrameWriter::forOutput(const std::string& out, int width, int height) {
    const Form form = formOf(out);
    if (form == Form::Mp4 || form == Form::Mkv) {
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
