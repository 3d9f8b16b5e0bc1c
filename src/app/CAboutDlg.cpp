// The About box: icon, name and version, the maker's line with its link,
// and OK. Fixed size, modal.
#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ProgramIcon.h"
#include "res/WebAddresses.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("バージョン情報");
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel("ぺかるん４　フリー版　バージョン 1.0", this);
    const QString address = QString::fromUtf8(res::kMakerAddress.data(), static_cast<qsizetype>(res::kMakerAddress.size()));
    auto* maker = new QLabel(QString("Copyright (C) Orvelle　<a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()), this);
    maker->setTextFormat(Qt::RichText);
    maker->setOpenExternalLinks(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(maker);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
