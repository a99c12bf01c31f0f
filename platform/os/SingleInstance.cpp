#include "platform/os/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QPointer>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>

#include <cstdlib>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Lines longer than this are no command of ours.
constexpr qint64 kMaxLine = 64;

std::string SocketPathUtf8(const AnsiString& Name) {
    std::string name = AnsiToUtf8(Name);
    for (char& c : name)
        if (c == '/') c = '_';
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && QDir(QString::fromUtf8(runtime)).exists())
        return std::string(runtime) + "/" + name;
    return QDir::tempPath().toStdString() + "/" + name + "-" + std::to_string(getuid());
}

// Opens the lock file and tries to lock it; the descriptor (or -1).
int TryLock(const std::string& SocketPath) {
    const std::string lockPath = SocketPath + ".lock";
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

struct TSingleInstanceImpl {
    AnsiString Name;
    std::string Path;
    int LockFd = -1;
    std::unique_ptr<QLocalServer> Server;

    void Answer(TSingleInstance& Owner, QLocalSocket* Socket) {
        if (!Socket->canReadLine()) {
            if (Socket->bytesAvailable() > kMaxLine) Socket->disconnectFromServer();
            return;
        }
        const QByteArray line = Socket->readLine(kMaxLine).trimmed();
        QByteArray reply = "UNKNOWN\n";
        if (line == "SHOW") {
            auto handler = Owner.OnShow;
            if (handler) handler();
            reply = "DONE\n";
        } else if (line == "CLOSE") {
            auto handler = Owner.OnClose;
            reply = !handler || handler() ? "DONE\n" : "REFUSED\n";
        }
        Socket->write(reply);
        Socket->waitForBytesWritten(1000);
        Socket->disconnectFromServer();
    }
};

TSingleInstance::TSingleInstance(const AnsiString& Name) : FImpl(std::make_unique<TSingleInstanceImpl>()) {
    FImpl->Name = Name;
    FImpl->Path = SocketPathUtf8(Name);
}

TSingleInstance::~TSingleInstance() {
    if (FImpl->Server) {
        FImpl->Server->close();
        FImpl->Server.reset();
    }
    if (FImpl->LockFd >= 0) close(FImpl->LockFd);
}

bool TSingleInstance::Acquire() {
    if (Acquired()) return true;
    const int fd = TryLock(FImpl->Path);
    if (fd < 0) return false;
    // A socket file without a lock is what a crashed copy left behind.
    const QString path = QString::fromStdString(FImpl->Path);
    QLocalServer::removeServer(path);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        close(fd);
        return false;
    }
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [this, raw] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QPointer<QLocalSocket> guard(socket);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, guard] {
                if (guard) FImpl->Answer(*this, guard);
            });
            if (socket->bytesAvailable() > 0) FImpl->Answer(*this, socket);
        }
    });
    FImpl->Server = std::move(server);
    FImpl->LockFd = fd;
    return true;
}

bool TSingleInstance::Acquired() const { return FImpl->LockFd >= 0; }

bool InstanceRunning(const AnsiString& Name) {
    const int fd = TryLock(SocketPathUtf8(Name));
    if (fd < 0) return true;
    close(fd);
    return false;
}

TInstanceReply SendToInstance(const AnsiString& Name, const AnsiString& Command, Cardinal TimeoutMs) {
    if (!InstanceRunning(Name)) return irNoInstance;
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(SocketPathUtf8(Name)));
    const int timeout = static_cast<int>(std::min<Cardinal>(TimeoutMs, 0x7FFFFFFF));
    if (!socket.waitForConnected(timeout)) return irNoAnswer;
    socket.write(QByteArray::fromStdString(Command + "\n"));
    if (!socket.waitForBytesWritten(timeout)) return irNoAnswer;
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > kMaxLine || !socket.waitForReadyRead(timeout)) return irNoAnswer;
    }
    const QByteArray reply = socket.readLine(kMaxLine).trimmed();
    if (reply == "DONE") return irDone;
    if (reply == "REFUSED") return irRefused;
    return irNoAnswer;
}

AnsiString InstanceSocketPath(const AnsiString& Name) { return Utf8ToAnsi(SocketPathUtf8(Name)); }
