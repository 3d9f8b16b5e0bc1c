// Until the effect dialog's widget is part of the program, every effect
// command says that its dialog is not available and changes nothing (the
// document treats the missing dialog as cancelled).
#include "app/EffectDialogFactory.h"

namespace {

class UnavailableEffectDialogs : public IEffectDialogFactory {
public:
    explicit UnavailableEffectDialogs(IMessageBox& messages) : messages_(messages) {}

    std::unique_ptr<IEffectDialog> createEffectDialog(COvImage2&, int) override
    {
        messages_.showMessage("この効果の設定画面はまだ利用できません。");
        return nullptr;
    }

private:
    IMessageBox& messages_;
};

} // namespace

std::unique_ptr<IEffectDialogFactory> makeEffectDialogFactory(QWidget*, IMessageBox& messages)
{
    return std::make_unique<UnavailableEffectDialogs>(messages);
}
