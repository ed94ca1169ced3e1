// Kill-safety of the system's saves. A child process saves one kind of file again and again,
// alternating between two known contents A and B; the driver kills it with SIGKILL at a random
// moment of a save and then compares every file of the save byte for byte with A and B: each
// must be the one it was before the save (old intact) or the one the save was writing (new
// complete), never anything else (torn). Nothing but the save's own files may be in the
// folder, except the hidden temporary siblings of a killed save (FileSaving), which the next
// completed save must remove.
//
//   dorvo_killtest <kind|all> [kills per batch, default 50] [seed]
//
// Kinds (each against the simulated instrument on the virtual port bus where it talks to one):
//   sequence  HWMessages::getSeqPatterntoFile with its six MIDI files (seven files a save)
//   preset    Preset::storePreset over an existing preset file
//   slot      PresetManager::storePresetFromHW: a slot's block into an existing preset file
//   newslot   PresetManager::storePresetAsNewFile: a slot's block into a file that does not
//             exist yet (the librarian's drop on its list); old intact here is no file at all
//   crypted   CryptedFile's store (an enciphered firmware-sized container) over an existing file
//
// How long a save takes is measured first, and when its first temporary sibling appears; one
// batch of kills falls uniformly over the whole save, and for the kinds that wait for the
// instrument before writing anything, a second batch falls uniformly over the writing, from
// the first temporary sibling to the save's end.
//
// The driver starts no JUCE thread: it forks and execs this same program as the child
//   dorvo_killtest --child <kind> <reference|measure|loop|once> <folder> [held]
// which reports on file descriptor 3: 'R' once the folder holds A or B whole (held: what the
// driver found there after the last kill; otherwise the child saves A first), or for newslot
// nothing; then 'a' or 'b' after each completed save of A or B, and 'd' after newslot's
// deletion before each save. A save left halfway by a kill is thus always the next child's
// starting point, until a save completes and removes its temporaries.
#include "FileSaving.h"
#include "app/Prompts.h"
#include "firmware/CryptedFile.h"
#include "link/HWMessages.h"
#include "link/HWTemplate.h"
#include "presets/Preset.h"
#include "presets/PresetManager.h"
#include "sequences/SequenceFile.h"
#include "simulator/SimulatedInstrument.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <random>
#include <signal.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
const char* const kindNames[] = { "sequence", "preset", "slot", "newslot", "crypted" };
constexpr int reportFd = 3;

bool isKind (const std::string& k)
{
    return std::find (std::begin (kindNames), std::end (kindNames), k) != std::end (kindNames);
}

// =============================================================================================
// The child: one kind of save, with the system's own code.

void report (char c)
{
    [[maybe_unused]] auto n = ::write (reportFd, &c, 1);
}

[[noreturn]] void childFails (const char* what)
{
    std::fprintf (stderr, "killtest child: %s\n", what);
    std::fflush (stderr);
    std::_Exit (3);
}

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

/** What the application's MIDI callback does with the instrument's messages. */
struct Forwarder : MidiInputPortCallback
{
    void handleIncomingMidiMessage (MidiInputPort*, const juce::MidiMessage& m) override
    {
        if (m.isActiveSense())
            return;
        HWMessages::midiReceived (m);
        HWTemplate::MidiReceived (m);
    }
};

/** A preset whose bytes the child sets. */
struct FilledPreset : Preset
{
    explicit FilledPreset (const juce::MemoryBlock& block) { mData = block; }
};

juce::MemoryBlock patternBlock (size_t size, int seed)
{
    juce::MemoryBlock b (size);
    auto* p = static_cast<juce::uint8*> (b.getData());
    for (size_t i = 0; i < size; ++i)
        p[i] = juce::uint8 ((i * (size_t) (31 + 2 * seed) + (size_t) seed * 101 + 7) & 0xFF);
    return b;
}

sim::Bytes toBytes (const juce::MemoryBlock& b)
{
    auto* p = static_cast<const juce::uint8*> (b.getData());
    return sim::Bytes (p, p + b.getSize());
}

class Saver
{
public:
    Saver (const std::string& kind, const juce::File& folder) : mKind (kind), mFolder (folder)
    {
        MidiPorts::useVirtualBus();
        mPrompts.onPrompt = [this] (const Prompts::ScriptedResponder::Prompt& p) {
            if (! (mKind == "sequence" && p.title == "Generate MidiFiles?"))
            {
                std::fprintf (stderr, "killtest child: unexpected box \"%s\": %s\n", p.title.toRawUTF8(), p.text.toRawUTF8());
                childFails ("a save failed");
            }
        };

        if (talksToInstrument())
        {
            sim::SimulatedInstrument::Options options;
            options.model = sim::Model::KelaDorvoSE;
            mInstrument = std::make_unique<sim::SimulatedInstrument> (options);
            mInstrument->plugIn();
            mIn.reset (MidiInputPort::openDevice (MidiInputPort::getDevices().size() - 1, &mForwarder));
            mOut.reset (MidiOutputPort::openDevice (MidiOutputPort::getDevices().size() - 1));
            if (mIn == nullptr || mOut == nullptr)
                childFails ("cannot open the simulated instrument's ports");
            mIn->start();
        }
    }

    ~Saver()
    {
        if (mIn != nullptr)
            mIn->stop();
    }

    bool talksToInstrument() const { return mKind == "sequence" || mKind == "slot" || mKind == "newslot"; }
    bool newFileEachTime() const { return mKind == "newslot"; }

    juce::File target() const
    {
        if (mKind == "sequence") return mFolder.getChildFile ("songs.kdseq");
        if (mKind == "crypted") return mFolder.getChildFile ("image.kfw");
        if (mKind == "newslot") return mFolder.getChildFile ("Mon preset.preset");
        return mFolder.getChildFile ("Lead.preset");
    }

    /** Every file a save writes. */
    juce::Array<juce::File> files() const
    {
        juce::Array<juce::File> all { target() };
        if (mKind == "sequence")
            for (int s = 1; s <= 6; ++s)
                all.add (SequenceFile::midiFilePath (target(), s));
        return all;
    }

    void removeFiles() const
    {
        for (auto& f : files())
            f.deleteFile();
    }

    /** One whole save of content (0: A, 1: B) with the system's code. */
    void save (int content)
    {
        if (mKind == "sequence")
        {
            for (int s = 0; s < 6; ++s)
            {
                std::array<juce::uint8, 64> steps {};
                const int length = content == 0 ? 9 + 9 * s : 63 - 8 * s;
                for (int k = 0; k < length; ++k)
                    steps[(size_t) k] = (k % 4 == 3) ? 127 : juce::uint8 (30 + (k * (content == 0 ? 5 : 11) + s * 7) % 90);
                mInstrument->setSequence (s, steps);
            }
            mInstrument->setSetting (SysexCommand::SetStepSize, content == 0 ? 16 : 8);
            mInstrument->setSetting (SysexCommand::SetGateLen, content == 0 ? 2 : 3);
            mPrompts.choices.push_back (1);   // OK: the MIDI files too
            auto file = target();
            HWMessages::getSeqPatterntoFile (mOut.get(), &file);
        }
        else if (mKind == "preset")
        {
            FilledPreset preset (patternBlock (Preset::blockSize, content + 1));
            if (! preset.storePreset (target()))
                childFails ("storePreset failed");
        }
        else if (mKind == "slot" || mKind == "newslot")
        {
            mInstrument->setBlockToSend (toBytes (patternBlock (Preset::blockSize, content + 11)));
            if (mKind == "slot")
                PresetManager::storePresetFromHW (mOut.get(), target(), 3);
            else
                PresetManager::storePresetAsNewFile (mOut.get(), target(), 2);
        }
        else if (mKind == "crypted")
        {
            const auto payload = patternBlock (content == 0 ? 768 * 1024 : 512 * 1024 + 77, content + 21);
            CryptedFile container (target().getFullPathName(), CryptedFile::firmwareKey);
            auto* out = container.getCryptedOutputStream();
            if (out == nullptr || ! out->write (payload.getData(), payload.getSize()))
                childFails ("the container took no payload");
        }
        if (! target().existsAsFile())
            childFails ("the save wrote no file");
    }


private:
    std::string mKind;
    juce::File mFolder;
    Prompts::ScriptedResponder mPrompts;
    Prompts::ScopedResponder mScope { mPrompts };
    std::unique_ptr<sim::SimulatedInstrument> mInstrument;
    Forwarder mForwarder;
    std::unique_ptr<MidiInputPort> mIn;
    std::unique_ptr<MidiOutputPort> mOut;
};

double median (std::vector<double> v)
{
    std::sort (v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

int runChild (const std::string& kind, const std::string& mode, const std::string& folderPath, int held)
{
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File folder (folderPath);
    folder.createDirectory();

    if (mode == "reference")
    {
        for (int content : { 0, 1 })
        {
            Saver saver (kind, folder.getChildFile (content == 0 ? "A" : "B"));
            folder.getChildFile (content == 0 ? "A" : "B").createDirectory();
            saver.save (content);
        }
        return 0;
    }

    Saver saver (kind, folder);
    if (mode == "once")
    {
        if (saver.newFileEachTime())
            saver.removeFiles();
        saver.save (0);
        return 0;
    }

    if (mode == "measure")
    {
        // The writing begins when the first temporary sibling appears in the folder.
        const int watch = ::inotify_init1 (IN_CLOEXEC);
        if (watch < 0 || ::inotify_add_watch (watch, folder.getFullPathName().toRawUTF8(), IN_CREATE) < 0)
            childFails ("cannot watch the folder");
        std::atomic<double> firstCreated { 0.0 };
        std::atomic<bool> done { false };
        std::thread watcher ([&] {
            alignas (inotify_event) char buf[4096];
            while (! done.load (std::memory_order_acquire))
            {
                pollfd pfd { watch, POLLIN, 0 };
                if (::poll (&pfd, 1, 50) <= 0)
                    continue;
                const auto n = ::read (watch, buf, sizeof buf);
                const double at = nowMs();
                for (ssize_t i = 0; i < n;)
                {
                    auto* e = reinterpret_cast<const inotify_event*> (buf + i);
                    double none = 0.0;
                    if (e->len > 0 && std::strstr (e->name, ".saving-") != nullptr)
                        firstCreated.compare_exchange_strong (none, at, std::memory_order_acq_rel);
                    i += (ssize_t) sizeof (inotify_event) + (ssize_t) e->len;
                }
            }
        });

        std::vector<double> totals, writes;
        juce::MemoryBlock before;
        for (int run = 0; run < 9; ++run)
        {
            if (saver.newFileEachTime())
                saver.removeFiles();
            juce::Thread::sleep (60);   // the watcher has seen everything before this save
            firstCreated.store (0.0, std::memory_order_release);
            const double start = nowMs();
            saver.save (run % 2);
            const double end = nowMs();
            juce::Thread::sleep (60);
            juce::MemoryBlock after;
            saver.target().loadFileAsData (after);
            if (run > 0 && after == before)
                childFails ("a save changed nothing");
            before = after;
            if (run == 0)
                continue;   // the first one warms up
            totals.push_back (end - start);
            const double created = firstCreated.load (std::memory_order_acquire);
            writes.push_back (created > start ? created - start : 0.0);
        }
        done.store (true, std::memory_order_release);
        watcher.join();
        ::close (watch);
        std::printf ("measured %.3f %.3f\n", median (totals), median (writes));
        std::fflush (stdout);
        const auto line = juce::String (median (totals), 3) + " " + juce::String (median (writes), 3) + "\n";
        [[maybe_unused]] auto n = ::write (reportFd, line.toRawUTF8(), line.getNumBytesAsUTF8());
        return 0;
    }

    // loop: once the folder holds A or B (held, when the driver saw it whole there; otherwise
    // A is saved first), or nothing for newslot, 'R' goes out; then the other one, and so on,
    // alternating until killed.
    int content = 1;
    if (saver.newFileEachTime())
        saver.removeFiles();
    else if (held == 0 || held == 1)
        content = 1 - held;
    else
        saver.save (0);
    report ('R');
    for (;; content ^= 1)
    {
        if (saver.newFileEachTime())
        {
            saver.removeFiles();
            report ('d');
        }
        saver.save (content);
        report (content == 0 ? 'a' : 'b');
    }
}

// =============================================================================================
// The driver: plain POSIX, no JUCE.

using Bytes = std::string;

bool readFile (const fs::path& p, Bytes& out)
{
    std::ifstream in (p, std::ios::binary);
    if (! in)
        return false;
    out.assign (std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>());
    return true;
}

std::map<std::string, Bytes> filesIn (const fs::path& folder)
{
    std::map<std::string, Bytes> out;
    for (auto& e : fs::directory_iterator (folder))
        if (e.is_regular_file())
            readFile (e.path(), out[e.path().filename().string()]);
    return out;
}

std::string selfPath;

struct Child
{
    pid_t pid = -1;
    int fd = -1;   // the read end of its report pipe
};

Child spawn (const std::string& kind, const std::string& mode, const fs::path& folder, const fs::path& log, int held = -1)
{
    int p[2];
    if (::pipe2 (p, O_CLOEXEC) != 0)
    {
        std::perror ("pipe");
        std::exit (2);
    }
    const pid_t pid = ::fork();
    if (pid == 0)
    {
        ::dup2 (p[1], reportFd);   // dup2 clears close-on-exec
        const int logFd = ::open (log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (logFd >= 0)
        {
            ::dup2 (logFd, 1);
            ::dup2 (logFd, 2);
        }
        const auto heldText = std::to_string (held);
        ::execl (selfPath.c_str(), selfPath.c_str(), "--child", kind.c_str(), mode.c_str(), folder.c_str(), heldText.c_str(), (char*) nullptr);
        std::_Exit (127);
    }
    ::close (p[1]);
    if (pid < 0)
    {
        std::perror ("fork");
        std::exit (2);
    }
    return { pid, p[0] };
}

/** Reads what the child reports until stop is seen or the time is up; false on end of file or
    time-out. */
bool readUntil (const Child& c, std::string& got, char stop, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (end - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        pollfd pfd { c.fd, POLLIN, 0 };
        if (::poll (&pfd, 1, (int) left) <= 0)
            continue;
        char buf[256];
        const auto n = ::read (c.fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        got.append (buf, (size_t) n);
        if (got.find (stop) != std::string::npos)
            return true;
    }
}

void readToEnd (const Child& c, std::string& got)
{
    char buf[256];
    for (;;)
    {
        const auto n = ::read (c.fd, buf, sizeof buf);
        if (n > 0)
            got.append (buf, (size_t) n);
        else if (n == 0 || errno != EINTR)
            return;
    }
}

/** Waits for the child's end; its exit status (or 128 + signal). */
int reap (Child& c)
{
    int status = 0;
    while (::waitpid (c.pid, &status, 0) < 0 && errno == EINTR) {}
    ::close (c.fd);
    c.fd = -1;
    return WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);
}

int runToEnd (const std::string& kind, const std::string& mode, const fs::path& folder, const fs::path& log, std::string* reported = nullptr)
{
    auto c = spawn (kind, mode, folder, log);
    std::string got;
    readToEnd (c, got);
    if (reported != nullptr)
        *reported = got;
    return reap (c);
}

void sleepMs (double ms)
{
    timespec t;
    t.tv_sec = (time_t) (ms / 1000.0);
    t.tv_nsec = (long) ((ms - (double) t.tv_sec * 1000.0) * 1e6);
    while (::nanosleep (&t, &t) != 0 && errno == EINTR) {}
}

struct Counts
{
    int kills = 0, oldIntact = 0, newComplete = 0, mixed = 0, torn = 0, newBeforeItsParts = 0;
    int leftTemporary = 0, mostTemporaries = 0, strayFiles = 0, unexpectedEnds = 0;
};

bool isTemporaryOf (const std::string& name, const std::map<std::string, Bytes>& targets)
{
    for (auto& [target, bytes] : targets)
        if (name.rfind ("." + target + ".saving-", 0) == 0)
            return true;
    return false;
}

int drive (const std::string& kind, int killsPerBatch, unsigned seed)
{
    char pattern[] = "/tmp/dorvo-killtest-XXXXXX";
    if (::mkdtemp (pattern) == nullptr)
    {
        std::perror ("mkdtemp");
        return 2;
    }
    const fs::path root (pattern);
    const auto log = root / "child.log";
    const auto folder = root / "target";
    fs::create_directories (folder);
    auto failWith = [&] (const std::string& what) {
        std::printf ("%s: FAILED: %s (work folder kept: %s)\n", kind.c_str(), what.c_str(), root.c_str());
        std::string text;
        if (readFile (log, text))
            std::printf ("--- child log (tail)\n%s\n", text.substr (text.size() > 2000 ? text.size() - 2000 : 0).c_str());
        return 1;
    };

    // The two known contents, from saves that ran to their end.
    if (runToEnd (kind, "reference", root / "ref", log) != 0)
        return failWith ("the reference saves did not run");
    const auto refA = filesIn (root / "ref" / "A"), refB = filesIn (root / "ref" / "B");
    if (refA.empty() || refA.size() != refB.size())
        return failWith ("the reference saves wrote different sets of files");
    for (auto& [name, bytes] : refA)
        if (refB.count (name) == 0 || refB.at (name) == bytes || bytes.empty())
            return failWith ("reference file " + name + " does not tell A from B");
    const std::vector<const std::map<std::string, Bytes>*> refs { &refA, &refB };

    // How long a save takes, and when the writing begins.
    std::string measured;
    if (runToEnd (kind, "measure", root / "measure", log, &measured) != 0)
        return failWith ("the measuring saves did not run");
    double totalMs = 0, writeMs = 0;
    if (std::sscanf (measured.c_str(), "%lf %lf", &totalMs, &writeMs) != 2 || totalMs <= 0)
        return failWith ("no measurement");

    struct Batch
    {
        const char* name;
        double from, to;
    };
    std::vector<Batch> batches { { "whole save", 0.0, totalMs } };
    if (writeMs > 0.2 * totalMs && writeMs < totalMs)
        batches.push_back ({ "writing", writeMs, totalMs });

    const bool newEachTime = kind == "newslot";
    std::mt19937 random (seed);
    Counts counts;
    int held = -1;   // what the folder holds whole (0: A, 1: B), -1 when not known
    for (auto& batch : batches)
    {
        std::uniform_real_distribution<double> delay (batch.from, batch.to);
        for (int k = 0; k < killsPerBatch; ++k)
        {
            auto c = spawn (kind, "loop", folder, log, held);
            std::string got;
            if (! readUntil (c, got, 'R', 60000))
            {
                ::kill (c.pid, SIGKILL);
                reap (c);
                return failWith ("the saving child did not get ready");
            }
            sleepMs (delay (random));
            ::kill (c.pid, SIGKILL);
            readToEnd (c, got);
            if (reap (c) != 128 + SIGKILL)
                ++counts.unexpectedEnds;
            ++counts.kills;

            // What the folder held before the save under way, and what that save wrote.
            int old = newEachTime ? -1 : (held == 1 ? 1 : 0), next = 1 - std::max (old, 0);
            for (char r : got.substr (got.find ('R') + 1))
            {
                if (r == 'd')
                    old = -1;
                if (r == 'a' || r == 'b')
                {
                    old = r - 'a';
                    next = 1 - old;
                }
            }

            const auto now = filesIn (folder);
            int oldFiles = 0, newFiles = 0, tornFiles = 0, temporaries = 0;
            for (auto& [name, bytes] : refA)
            {
                const auto found = now.find (name);
                if (found == now.end())
                    (old == -1 || newEachTime ? oldFiles : tornFiles)++;   // newslot deletes before each save
                else if (old >= 0 && found->second == refs[(size_t) old]->at (name))
                    ++oldFiles;
                else if (found->second == refs[(size_t) next]->at (name))
                    ++newFiles;
                else
                {
                    ++tornFiles;
                    std::printf ("%s: torn %s after %d reports (%zu bytes)\n", kind.c_str(), name.c_str(),
                                 (int) got.size(), found->second.size());
                }
            }
            for (auto& [name, bytes] : now)
            {
                if (refA.count (name) != 0)
                    continue;
                if (isTemporaryOf (name, refA))
                    ++temporaries;
                else
                {
                    ++counts.strayFiles;
                    std::printf ("%s: stray file %s\n", kind.c_str(), name.c_str());
                }
            }

            // The next child starts from what is there when it is whole.
            held = newEachTime || tornFiles > 0 || (newFiles > 0 && oldFiles > 0) ? -1 : (newFiles > 0 ? next : old);

            if (tornFiles > 0)
                ++counts.torn;
            else if (newFiles == 0)
                ++counts.oldIntact;
            else if (oldFiles == 0)
                ++counts.newComplete;
            else
            {
                // Killed between the renames of one save: the sequence file, put in place
                // last, must still be the old one.
                ++counts.mixed;
                const std::string sequenceFile = "songs.kdseq";
                if (now.count (sequenceFile) != 0 && now.at (sequenceFile) == refs[(size_t) next]->at (sequenceFile))
                {
                    ++counts.newBeforeItsParts;
                    std::printf ("%s: a new %s beside old MIDI files\n", kind.c_str(), sequenceFile.c_str());
                }
            }
            if (temporaries > 0)
                ++counts.leftTemporary;
            counts.mostTemporaries = std::max (counts.mostTemporaries, temporaries);
        }
    }

    // A save that runs to its end removes what killed ones left behind.
    if (runToEnd (kind, "once", folder, log) != 0)
        return failWith ("the last save did not run");
    int remaining = 0;
    for (auto& [name, bytes] : filesIn (folder))
        if (refA.count (name) == 0)
            ++remaining;

    std::printf ("%-8s save %.1f ms (writing from %.1f ms); %d kills (", kind.c_str(), totalMs, writeMs, counts.kills);
    for (size_t b = 0; b < batches.size(); ++b)
        std::printf ("%s%d over the %s", b > 0 ? ", " : "", killsPerBatch, batches[b].name);
    std::printf ("): %d old intact, %d new complete, %d mixed, %d torn; %d left a hidden temporary sibling "
                 "(at most %d at once, %d after the next save), %d stray files\n",
                 counts.oldIntact, counts.newComplete, counts.mixed, counts.torn, counts.leftTemporary,
                 counts.mostTemporaries, remaining, counts.strayFiles);
    std::fflush (stdout);

    if (counts.torn > 0)
        return failWith ("a killed save left a torn file");
    if (counts.strayFiles > 0 || remaining > 0)
        return failWith ("files other than the save's own were left");
    if (counts.unexpectedEnds > 0)
        return failWith ("a saving child ended by itself");
    if (counts.mixed > 0 && kind != "sequence")
        return failWith ("a single-file save was mixed");
    if (counts.newBeforeItsParts > 0)
        return failWith ("a new sequence file stood beside old MIDI files");
    std::error_code ignored;
    fs::remove_all (root, ignored);
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc >= 5 && std::string (argv[1]) == "--child" && isKind (argv[2]))
        return runChild (argv[2], argv[3], argv[4], argc > 5 ? std::atoi (argv[5]) : -1);

    if (argc < 2 || ! (isKind (argv[1]) || std::string (argv[1]) == "all"))
    {
        std::fprintf (stderr, "usage: dorvo_killtest <sequence|preset|slot|newslot|crypted|all> [kills per batch] [seed]\n");
        return 2;
    }
    char exe[4096];
    const auto len = ::readlink ("/proc/self/exe", exe, sizeof exe - 1);
    if (len <= 0)
        return 2;
    selfPath.assign (exe, (size_t) len);

    const int kills = argc > 2 ? std::max (1, std::atoi (argv[2])) : 50;
    const unsigned seed = argc > 3 ? (unsigned) std::strtoul (argv[3], nullptr, 10) : std::random_device{}();
    std::printf ("seed %u\n", seed);

    int failures = 0;
    for (auto* k : kindNames)
        if (std::string (argv[1]) == "all" || std::string (argv[1]) == k)
            failures += drive (k, kills, seed) != 0;
    return failures == 0 ? 0 : 1;
}
