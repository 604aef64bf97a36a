// TRVServerAboutBox: the modal "About Ravelin Server" box.
#pragma once

#include <QDialog>

namespace rv
{

class TRVServerAboutBox : public QDialog
{
public:
    explicit TRVServerAboutBox(QWidget* parent = nullptr);
};

} // namespace rv
