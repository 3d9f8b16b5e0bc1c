// The hand-over's message is the photos' absolute paths as their bytes (which
// need not be UTF-8), each ended by a zero byte (a file name may contain a line break, never a zero byte);
// the sender closes the connection when it has written them all.
#include "app/PhotoHandOver.h"

#include "app/FileNames.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kConnectTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
// While a modal window is open (an effect dialog, a question) the photos
// wait; this is how often they look again.
constexpr int kModalRetryMs = 300;

} // namespace

PhotoHandOver::PhotoHandOver(std::function<void(const QString& path)> openPhoto, std::function<void()> bringToFront)
    : openPhoto_(std::move(openPhoto)), bringToFront_(std::move(bringToFront))
{
}

PhotoHandOver::~PhotoHandOver() = default;

bool PhotoHandOver::listen(const QString& socketPath)
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);
    if (!server_->listen(socketPath)) {
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &PhotoHandOver::acceptConnections);
    return true;
}

void PhotoHandOver::acceptConnections()
{
    while (QLocalSocket* connection = server_->nextPendingConnection()) {
        connect(connection, &QLocalSocket::disconnected, this, [this, connection] {
            readPaths(*connection);
            connection->deleteLater();
        });
        // A sender that has finished before the signal was connected.
        if (connection->state() == QLocalSocket::UnconnectedState) {
            readPaths(*connection);
            connection->deleteLater();
        }
    }
}

void PhotoHandOver::readPaths(QLocalSocket& connection)
{
    const QList<QByteArray> paths = connection.readAll().split('\0');
    for (const QByteArray& path : paths) {
        if (!path.isEmpty()) {
            pending_ << fileNameText(path.toStdString());
        }
    }
    openPending();
}

void PhotoHandOver::openPending()
{
    // One photo at a time: a question opened for one must not let the next
    // in, and an open effect dialog must not lose its photo.
    if (opening_ || pending_.isEmpty()) {
        return;
    }
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kModalRetryMs, this, &PhotoHandOver::openPending);
        return;
    }
    opening_ = true;
    while (!pending_.isEmpty() && QApplication::activeModalWidget() == nullptr) {
        openPhoto_(pending_.takeFirst());
    }
    opening_ = false;
    if (!pending_.isEmpty()) {
        QTimer::singleShot(kModalRetryMs, this, &PhotoHandOver::openPending);
        return;
    }
    bringToFront_();
}

bool PhotoHandOver::handOver(const QString& socketPath, const QStringList& photos)
{
    QByteArray message;
    for (const QString& photo : photos) {
        message += QByteArray::fromStdString(fileNameBytes(absoluteFileName(photo)));
        message += '\0';
    }
    QLocalSocket socket;
    // The running program may still be starting: its lock exists a moment
    // before its socket does.
    const QDeadlineTimer deadline(kConnectTimeoutMs);
    socket.connectToServer(socketPath);
    while (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(100);
        socket.connectToServer(socketPath);
    }
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kWriteTimeoutMs)) {
            return false;
        }
    }
    socket.disconnectFromServer();
    return true;
}
