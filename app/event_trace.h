// What a test under a real X server cannot see from outside: when the status
// line changed, when the progress bar was painted, when a key arrived, and
// every time the event loop did not run for 20 ms or more. One line each,
// "<ms since start> <what> <detail>", written at once. Enabled by main when
// SENTROVA_TRACE names a file.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>

class QWidget;

class EventTrace : public QObject {
  public:
    EventTrace(const QString &path, QWidget &window);
    bool IsOpen() const { return file_.isOpen(); }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void Write(const char *what, const QString &detail);
    void Tick();

    QFile file_;
    QElapsedTimer clock_;
    qint64 lastTick_ = 0;
    int lastPainted_ = -1;
    QWidget &window_;
};
