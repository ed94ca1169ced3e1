#include "app/SingleInstance.h"
#include "TextDecoding.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace SingleInstance
{
namespace
{
constexpr int maxCommandLine = 4096;
constexpr int ioTimeoutMs = 2000;

bool makeAddress (const juce::String& path, sockaddr_un& address)
{
    std::memset (&address, 0, sizeof (address));
    address.sun_family = AF_UNIX;
    const auto utf8 = path.toRawUTF8();
    if (path.isEmpty() || std::strlen (utf8) >= sizeof (address.sun_path))
        return false;
    std::strncpy (address.sun_path, utf8, sizeof (address.sun_path) - 1);
    return true;
}

void setTimeouts (int fd)
{
    timeval tv { ioTimeoutMs / 1000, (ioTimeoutMs % 1000) * 1000 };
    setsockopt (fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof (tv));
    setsockopt (fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof (tv));
}

bool writeAll (int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        const auto n = ::send (fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= (size_t) n;
    }
    return true;
}
} // namespace

juce::String defaultSocketPath()
{
    const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("DORVO_INSTANCE_SOCKET", {});
    if (fromEnvironment.isNotEmpty())
        return fromEnvironment;
    juce::String folder ("/tmp");
    const auto runtime = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});
    if (runtime.startsWith ("/") && juce::File (runtime).isDirectory())
        folder = runtime;
    return folder + "/.dorvo-connection-" + juce::String ((int) ::getuid()) + ".socket";
}

Lock::Lock (const juce::String& socketPath)
{
    const auto path = socketPath + ".lock";
    mFile = ::open (path.toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (mFile < 0)
    {
        mHeld = true;
        return;
    }
    mHeld = tryToTake();
}

bool Lock::tryToTake()
{
    int result;
    do
        result = ::flock (mFile, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    return result == 0 || errno != EWOULDBLOCK;
}

bool Lock::waitUntilHeld (int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (juce::jmax (0, timeoutMs));
    while (! mHeld)
    {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            break;
        std::this_thread::sleep_for (std::min<std::chrono::steady_clock::duration> (left, std::chrono::milliseconds (retryStepMs)));
        mHeld = tryToTake();
    }
    return mHeld;
}

Lock::~Lock()
{
    if (mFile >= 0)
        ::close (mFile);   // releases the lock; the file stays for the next start
}

bool handOver (const juce::String& path, const juce::String& commandLine)
{
    sockaddr_un address;
    if (! makeAddress (path, address))
        return false;

    const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    setTimeouts (fd);

    bool taken = false;
    if (::connect (fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) == 0)
    {
        const auto utf8 = commandLine.substring (0, maxCommandLine).toStdString();
        if (writeAll (fd, utf8.data(), utf8.size()))
        {
            ::shutdown (fd, SHUT_WR);
            char ack = 0;
            taken = ::recv (fd, &ack, 1, 0) == 1 && ack == '1';
        }
    }
    ::close (fd);
    return taken;
}

// ---------------------------------------------------------------------------------------------
struct Listener::Shared
{
    std::function<void (const juce::String&)> onOtherInstance;
    std::atomic<bool> alive { true };
};

Listener::Listener (const juce::String& path, std::function<void (const juce::String&)> onOtherInstance)
    : mShared (std::make_shared<Shared>()), mPath (path)
{
    mShared->onOtherInstance = std::move (onOtherInstance);

    sockaddr_un address;
    if (! makeAddress (path, address) || ::pipe2 (mWakePipe, O_CLOEXEC) != 0)
        return;

    mSocket = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (mSocket < 0)
        return;

    // Only the instance that holds the application's lock listens, so a socket file left
    // behind by one that ended without cleaning up can go.
    ::unlink (address.sun_path);
    if (::bind (mSocket, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0
        || ::listen (mSocket, 4) != 0)
    {
        ::close (mSocket);
        mSocket = -1;
        return;
    }

    mThread = std::thread ([this] { run(); });
}

Listener::~Listener()
{
    mShared->alive = false;
    if (mThread.joinable())
    {
        const char wake = 'q';
        [[maybe_unused]] auto n = ::write (mWakePipe[1], &wake, 1);
        mThread.join();
    }
    if (mSocket >= 0)
    {
        ::close (mSocket);
        ::unlink (mPath.toRawUTF8());
    }
    for (int fd : mWakePipe)
        if (fd >= 0)
            ::close (fd);
}

void Listener::run()
{
    for (;;)
    {
        pollfd fds[2] = { { mSocket, POLLIN, 0 }, { mWakePipe[0], POLLIN, 0 } };
        if (::poll (fds, 2, -1) < 0)
        {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;

        const int client = ::accept4 (mSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        setTimeouts (client);

        std::string received;
        char buffer[512];
        for (;;)
        {
            const auto n = ::recv (client, buffer, sizeof (buffer), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            received.append (buffer, (size_t) n);
            if ((int) received.size() > maxCommandLine)
                break;
        }
        const char ack = '1';
        writeAll (client, &ack, 1);
        ::close (client);

        auto shared = mShared;
        const auto commandLine = TextDecoding::fromOutsideBytes (received.data(), received.size());
        juce::MessageManager::callAsync ([shared, commandLine] {
            if (shared->alive && shared->onOtherInstance)
                shared->onOtherInstance (commandLine);
        });
    }
}
} // namespace SingleInstance
