// Peak memory of one accepted effect on a 24-megapixel photo, through the
// document as the program runs it: a 6000 x 4000 photo-like image opened
// through the document's loader, the mode's command run with a dialog that
// accepts at the slowest slider settings. Prints the peak resident size
// after opening and after the effect, also in planes of the photo; run it
// once per mode (the peak is the process's).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "dialog/ModeSetup.h"
#include "document/CFotraDoc.h"
#include "document/EffectCatalogue.h"
#include "support/TestImages.h"

namespace {

// VmHWM of this process in bytes, or 0 where /proc does not tell it.
double peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atof(line.c_str() + 6) * 1024.0;
        }
    }
    return 0.0;
}

class AcceptingDialog : public IEffectDialog {
public:
    explicit AcceptingDialog(EffectValues values) : values_(values) {}
    bool runModal() override { return true; }
    EffectValues values() const override { return values_; }

private:
    EffectValues values_;
};

class AcceptingDialogs : public IEffectDialogFactory {
public:
    std::unique_ptr<IEffectDialog> createEffectDialog(COvImage2&, int mode) override
    {
        const ModeSetup& setup = *findModeSetup(mode);
        EffectValues values = startValues(setup);
        values.strengthValue = setup.strength.maximum;
        values.effectValue = setup.effect.maximum;
        values.precisionValue = setup.precision.minimum;
        return std::make_unique<AcceptingDialog>(values);
    }
};

} // namespace

int main(int argc, char** argv)
{
    const int mode = argc > 1 ? std::atoi(argv[1]) : 0;
    if (findEffectMode(mode) == nullptr) {
        std::fprintf(stderr, "usage: fotra_peak_memory MODE (1..32)\n");
        return 2;
    }
    AcceptingDialogs dialogs;
    DocumentUi ui;
    ui.effectDialogs = &dialogs;
    CFotraDoc document(ui);
    document.setPhotoLoader([](COvImage2& image, const std::string&) {
        // The generated planes move into the record: nothing is copied.
        static_cast<ImagePlanes&>(image) = testsupport::photoLikeImage(6000, 4000, 1);
        return true;
    });
    if (!document.openPhotoFile("photo.bmp")) {
        std::fprintf(stderr, "the photo did not open\n");
        return 1;
    }
    const double plane = 4000.0 * rowStride(6000);
    const double opened = peakResidentBytes();
    document.onCommand(findEffectMode(mode)->commandId);
    const double accepted = peakResidentBytes();
    std::printf("mode %2d: peak %.0f MB after opening (%.2f planes), %.0f MB after the effect (%.2f planes, "
                "+%.2f)\n",
                mode, opened / 1e6, opened / plane, accepted / 1e6, accepted / plane, (accepted - opened) / plane);
    return 0;
}
