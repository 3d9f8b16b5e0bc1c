// "Open with" while the program runs: a second start hands the photos it
// names to the running program over a local socket beside the single-instance
// lock (so it is per user, as the lock is). The running program opens them in
// turn, each with its unsaved-changes question, and comes to the front.
#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class PhotoHandOver : public QObject {
public:
    // `openPhoto` opens one handed-over photo; `bringToFront` runs after a
    // hand-over's photos are opened.
    PhotoHandOver(std::function<void(const QString& path)> openPhoto, std::function<void()> bringToFront);
    ~PhotoHandOver() override;

    // Listens at `socketPath`; a file left there by an ended process is
    // replaced (the caller holds the single-instance lock). False when the
    // socket cannot be made: the program then runs without "Open with".
    bool listen(const QString& socketPath);

    // In the second process: sends the absolute paths of `photos` to the
    // program listening at `socketPath`; false when none listens or the
    // paths could not be sent.
    static bool handOver(const QString& socketPath, const QStringList& photos);

    // Photos received and not opened yet (waiting for a modal window to close).
    const QStringList& pendingPhotos() const { return pending_; }

private:
    void acceptConnections();
    void readPaths(QLocalSocket& connection);
    void openPending();

    std::function<void(const QString& path)> openPhoto_;
    std::function<void()> bringToFront_;
    std::unique_ptr<QLocalServer> server_;
    QStringList pending_;
    bool opening_ = false;
};
