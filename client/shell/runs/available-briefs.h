// TAvailableBriefs: the "Available Briefs" notice. It counts the briefs that
// finished since the user last looked, stays on top of the desktop 50 pixels
// from the right and bottom edges of the screen, and repeats its text as a
// desktop notification where the desktop has a tray.
//
// Threads: the main thread only.
#pragma once

#include <QDialog>

class QLabel;
class QSystemTrayIcon;

namespace rv
{

// "1 new brief is available.", "2 new briefs are available.", ...
QString AvailableBriefsText(int count);

class TAvailableBriefs : public QDialog
{
    Q_OBJECT

public:
    explicit TAvailableBriefs(QWidget* parent = nullptr);

    // Counts finished briefs and shows the notice.
    void AddBriefs(int count);
    int Count() const { return count_; }
    QString Text() const;

    void StatusLogClick();
    void CloseClick();

signals:
    // "&Status Log": the application comes back with its status log in front.
    void StatusLogWanted();

private:
    void Place();

    int count_ = 0;
    QLabel* text_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
};

} // namespace rv
