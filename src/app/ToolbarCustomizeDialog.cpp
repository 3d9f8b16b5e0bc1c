// The toolbar customisation dialog: user toolbars and their buttons, with
// commands taken from the main menu.
#include "app/ToolbarCustomizeDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/CMainFrame.h"
#include "res/Menus.h"
#include "res/Strings.h"

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A menu text without its "(&X)" mnemonic or "&".
QString plainMenuText(std::string_view text)
{
    QString plain = toQString(text);
    const qsizetype mnemonic = plain.indexOf("(&");
    if (mnemonic >= 0) {
        plain.truncate(mnemonic);
    }
    return plain.remove('&');
}

void collectCommands(std::span<const res::MenuItem> items, QList<CToolbarCustomizeDialog::CommandChoice>& commands)
{
    for (const res::MenuItem& item : items) {
        if (item.kind == res::MenuItemKind::Popup) {
            collectCommands(item.items, commands);
        } else if (item.kind == res::MenuItemKind::Command) {
            commands.push_back({plainMenuText(item.text), item.id});
        }
    }
}

} // namespace

QList<CToolbarCustomizeDialog::CommandCategory> CToolbarCustomizeDialog::commandCategories()
{
    QList<CommandCategory> categories;
    for (const res::MenuItem& popup : res::kMainMenu) {
        CommandCategory category{plainMenuText(popup.text), {}};
        collectCommands(popup.items, category.commands);
        categories.push_back(category);
    }
    return categories;
}

CToolbarCustomizeDialog::CToolbarCustomizeDialog(CMainFrame& frame)
    : QDialog(&frame), frame_(frame), categories_(commandCategories())
{
    setWindowTitle(plainMenuText(res::loadString(res::IDS_TOOLBAR_CUSTOMIZE)).remove("..."));
    setModal(false);

    toolbarList_ = new QListWidget(this);
    auto* newButton = new QPushButton("新規作成(&N)", this);
    auto* deleteButton = new QPushButton("削除(&D)", this);
    categoryBox_ = new QComboBox(this);
    for (const CommandCategory& category : categories_) {
        categoryBox_->addItem(category.title);
    }
    commandList_ = new QListWidget(this);
    imageBox_ = new QComboBox(this);
    imageBox_->addItem("テキストのみ", -1);
    const std::vector<QImage>& images = frame_.userButtonImages();
    for (std::size_t index = 0; index < images.size(); ++index) {
        imageBox_->addItem(QIcon(QPixmap::fromImage(images[index])), QString::number(index + 1),
                           static_cast<int>(index));
    }
    imageBox_->setEnabled(!images.empty());
    auto* addButton = new QPushButton("追加(&A) →", this);
    auto* removeButton = new QPushButton("← 取り除く(&R)", this);
    buttonList_ = new QListWidget(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("ツールバー:", this), 0, 0);
    grid->addWidget(toolbarList_, 1, 0);
    auto* toolbarButtons = new QHBoxLayout;
    toolbarButtons->addWidget(newButton);
    toolbarButtons->addWidget(deleteButton);
    grid->addLayout(toolbarButtons, 2, 0);
    grid->addWidget(categoryBox_, 0, 1);
    grid->addWidget(commandList_, 1, 1);
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(new QLabel("ボタンの画像:", this));
    imageRow->addWidget(imageBox_, 1);
    grid->addLayout(imageRow, 2, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(addButton);
    middle->addWidget(removeButton);
    middle->addStretch();
    grid->addLayout(middle, 1, 2);
    grid->addWidget(new QLabel("ツールバーのボタン:", this), 0, 3);
    grid->addWidget(buttonList_, 1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(newButton, &QPushButton::clicked, this, [this] { newToolbar(); });
    connect(deleteButton, &QPushButton::clicked, this, [this] { deleteSelectedToolbar(); });
    connect(addButton, &QPushButton::clicked, this, [this] { addSelectedCommand(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { removeSelectedButton(); });
    connect(categoryBox_, &QComboBox::currentIndexChanged, this, [this] { fillCommandList(); });
    connect(toolbarList_, &QListWidget::currentRowChanged, this, [this] { fillButtonList(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    fillToolbarList();
    fillCommandList();
}

QToolBar* CToolbarCustomizeDialog::newToolbar()
{
    const int number = static_cast<int>(frame_.userToolbars().size()) + 1;
    QToolBar* toolbar = frame_.createUserToolbar(QString("ユーザー ツールバー %1").arg(number));
    fillToolbarList();
    if (toolbar != nullptr) {
        toolbarList_->setCurrentRow(static_cast<int>(frame_.userToolbars().indexOf(toolbar)));
    }
    return toolbar;
}

void CToolbarCustomizeDialog::deleteSelectedToolbar()
{
    if (QToolBar* toolbar = selectedToolbar()) {
        frame_.removeUserToolbar(toolbar);
        fillToolbarList();
    }
}

void CToolbarCustomizeDialog::addSelectedCommand()
{
    QToolBar* toolbar = selectedToolbar();
    const int category = categoryBox_->currentIndex();
    const int row = commandList_->currentRow();
    if (toolbar == nullptr || category < 0 || row < 0) {
        return;
    }
    std::vector<UserToolbarButton> buttons = frame_.userToolbarButtons(toolbar);
    buttons.push_back({categories_[category].commands[row].id, imageBox_->currentData().toInt()});
    frame_.setUserToolbarButtons(toolbar, buttons);
    fillButtonList();
}

void CToolbarCustomizeDialog::removeSelectedButton()
{
    QToolBar* toolbar = selectedToolbar();
    const int row = buttonList_->currentRow();
    std::vector<UserToolbarButton> buttons = toolbar != nullptr ? frame_.userToolbarButtons(toolbar)
                                                                : std::vector<UserToolbarButton>{};
    if (row < 0 || row >= static_cast<int>(buttons.size())) {
        return;
    }
    buttons.erase(buttons.begin() + row);
    frame_.setUserToolbarButtons(toolbar, buttons);
    fillButtonList();
}

void CToolbarCustomizeDialog::selectCommand(int categoryIndex, int commandRow)
{
    categoryBox_->setCurrentIndex(categoryIndex);
    commandList_->setCurrentRow(commandRow);
}

void CToolbarCustomizeDialog::selectToolbar(int row) { toolbarList_->setCurrentRow(row); }

void CToolbarCustomizeDialog::fillToolbarList()
{
    toolbarList_->clear();
    for (const QToolBar* toolbar : frame_.userToolbars()) {
        toolbarList_->addItem(toolbar->windowTitle());
    }
    if (toolbarList_->count() > 0) {
        toolbarList_->setCurrentRow(0);
    }
    fillButtonList();
}

void CToolbarCustomizeDialog::fillCommandList()
{
    commandList_->clear();
    const int category = categoryBox_->currentIndex();
    if (category < 0) {
        return;
    }
    for (const CommandChoice& command : categories_[category].commands) {
        commandList_->addItem(command.text);
    }
}

void CToolbarCustomizeDialog::fillButtonList()
{
    buttonList_->clear();
    if (const QToolBar* toolbar = selectedToolbar()) {
        for (const UserToolbarButton& button : frame_.userToolbarButtons(toolbar)) {
            buttonList_->addItem(toQString(res::commandTooltip(button.commandId)));
        }
    }
}

QToolBar* CToolbarCustomizeDialog::selectedToolbar() const
{
    const QList<QToolBar*> toolbars = frame_.userToolbars();
    const int row = toolbarList_->currentRow();
    return row >= 0 && row < toolbars.size() ? toolbars[row] : nullptr;
}
