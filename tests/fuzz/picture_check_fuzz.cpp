// The picture a teacher inserts into a choice question: Qt's image readers
// over any bytes. A picture is told apart from no picture and from one too
// large to show, with its size.
#include <QtGlobal>

#include "gui/picture_check.h"
#include "tests/fuzz/fuzz_support.h"

// Qt keeps its image plugins and their caches until exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt6\nleak:libfontconfig\n"; }

// Qt's readers warn of every broken picture: quiet, so that a finding stands out.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using Kind = mendrix::bank::PictureCheck::Kind;
    const auto picture = kav::gui::checkPicture(std::string(kav::fuzz::bytesOf(data, size)));
    if (picture.kind == Kind::NotImage) KAV_FUZZ_CHECK(picture.width == 0 && picture.height == 0);
    else KAV_FUZZ_CHECK(picture.width > 0 && picture.height > 0);
    if (picture.kind == Kind::Image) KAV_FUZZ_CHECK(mendrix::bank::pictureRefusal(picture).empty());
    else KAV_FUZZ_CHECK(!mendrix::bank::pictureRefusal(picture).empty());
    return 0;
}
