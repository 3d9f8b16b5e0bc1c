// The About box: icon, name and version, the makers' line with the link to
// the help folder's page about the program, and OK. Fixed size, modal.
#include "app/CAboutDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "app/HelpPages.h"
#include "app/ProgramIcon.h"
#include "res/PageLinks.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("バージョン情報");
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel("ぺかるん４　フリー版　バージョン 1.0", this);
    const QString aboutPage = QDir(helpFolder(QCoreApplication::applicationDirPath()))
                                  .filePath(QString::fromUtf8(res::kAboutPage.data(), static_cast<qsizetype>(res::kAboutPage.size())));
    auto* maker = new QLabel(QString("Copyright (C) PEKARUN4FREE developers　<a href=\"%1\">このプログラムについて</a>")
                                 .arg(QUrl::fromLocalFile(aboutPage).toString().toHtmlEscaped()),
                             this);
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
