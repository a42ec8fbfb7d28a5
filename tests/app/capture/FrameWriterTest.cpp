#include "app/capture/FrameWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using Form = Zem::App::FrameWriter::Form;

TEST(FrameWriterTest, TheFormComesFromTheNamesEndingWhateverItsCase) {
    const std::pair<const char*, Form> names[] = {
        {"show.mp4", Form::Mp4},     {"clip.MP4", Form::Mp4},         {"a.b/show.Mkv", Form::Mkv},
        {"frames", Form::Folder},    {"shots.v2/", Form::Folder},     {".frames", Form::Folder},
        {"clip.avi", Form::Unknown}, {"out/clip.gif", Form::Unknown},
    };
    for (const auto& [name, form] : names) {
        EXPECT_EQ(Zem::App::FrameWriter::formOf(name), form) << name;
    }
}

} // namespace
