#include "server/window/about-box.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv
{

TRVServerAboutBox::TRVServerAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Ravelin Server"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<b>Ravelin Server</b>"), this);
    auto* text = new QLabel(QStringLiteral("Serves your stored briefs to your Web browser at http://127.0.0.1/.\n"
                                           "Marrowby Works"),
                            this);
    text->setTextFormat(Qt::PlainText);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(text);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace rv
