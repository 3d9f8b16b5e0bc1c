// Runs CDialogUnSharpMask modally for the document and hands on its values.
#include "dialog/widgets/EffectDialogFactory.h"

#include "dialog/widgets/CDialogUnSharpMask.h"

namespace {

class ModalEffectDialog final : public IEffectDialog {
public:
    ModalEffectDialog(COvImage2& image, int mode, QWidget* parent)
        : dialog_(new CDialogUnSharpMask(image, mode, parent))
    {
    }
    // The parent may already have deleted the dialog with itself.
    ~ModalEffectDialog() override { delete dialog_.data(); }
    ModalEffectDialog(const ModalEffectDialog&) = delete;
    ModalEffectDialog& operator=(const ModalEffectDialog&) = delete;

    bool runModal() override { return dialog_ != nullptr && dialog_->exec() == QDialog::Accepted; }
    EffectValues values() const override { return dialog_ != nullptr ? dialog_->values() : EffectValues{}; }

private:
    QPointer<CDialogUnSharpMask> dialog_;
};

} // namespace

EffectDialogFactory::EffectDialogFactory(QWidget* parent) : parent_(parent) {}

std::unique_ptr<IEffectDialog> EffectDialogFactory::createEffectDialog(COvImage2& image, int mode)
{
    return std::make_unique<ModalEffectDialog>(image, mode, parent_.data());
}
