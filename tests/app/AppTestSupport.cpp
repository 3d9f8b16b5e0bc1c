// The test helpers: the synthetic photos, the frame fixture and the
// temporary settings and runtime folders.
#include "AppTestSupport.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

#include "app/CFotraView.h"
#include "document/EffectCatalogue.h"

namespace apptest {

std::array<std::uint8_t, 3> syntheticPixel(int x, int y)
{
    return {static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 3), static_cast<std::uint8_t>(x ^ y)};
}

CFotraDoc::PhotoLoader syntheticLoader(std::vector<std::string>* asked)
{
    return [asked](COvImage2& image, const std::string& path) {
        if (asked != nullptr) {
            asked->push_back(path);
        }
        int width = 0;
        int height = 0;
        const std::string name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
        if (std::sscanf(name.c_str(), "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) {
            return false;
        }
        image.allocatePlanes(width, height);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = image.current.data() + static_cast<std::size_t>(height - 1 - y) * image.stride();
            for (int x = 0; x < width; ++x) {
                const auto pixel = syntheticPixel(x, y);
                row[3 * x] = pixel[0];
                row[3 * x + 1] = pixel[1];
                row[3 * x + 2] = pixel[2];
            }
        }
        return true;
    };
}

FrameFixture::FrameFixture()
{
    document.setPhotoLoader(syntheticLoader(&loadedPaths));
    document.setPhotoSaver([this](const COvImage2&, const std::string& path, int format) {
        savedPaths.emplace_back(path, format);
        return true;
    });
    DocumentUi ui;
    ui.fileDialogs = &dialogs;
    ui.messageBox = &prompts;
    document.setUi(ui);
    FrameLinks links;
    links.document = &document;
    links.prompts = &prompts;
    links.shell = &shell;
    frame = std::make_unique<CMainFrame>(links);
}

FrameFixture::~FrameFixture() { frame.reset(); }

bool FrameFixture::openPhoto(int width, int height)
{
    const bool opened = document.openPhotoFile(QString("/photos/%1x%2.png").arg(width).arg(height).toStdString());
    frame->updateCommandStates();
    return opened;
}

void FrameFixture::makeModified()
{
    frame->routeCommand(CommandId::TriangleSharpenFilter);
}

void isolateEnvironment()
{
    static QTemporaryDir configHome;
    static QTemporaryDir runtimeDir;
    static QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace apptest
