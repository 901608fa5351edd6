#include "platform/audio/AudioSystem.h"

#include "platform/audio/AudioSystemDetail.h"
#include "platform/audio/Spectrum.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>
#include <sndfile.h>
#include <soxr.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace plat
{
namespace
{

struct PaDevice
{
    int index = -1;
    DeviceInfo info;
    int inputChannels = 0;
};

struct State
{
    std::mutex mutex;
    bool paUp = false;
    bool initialised = false;
    bool terminatePending = false;
    bool forcedNull = false;
    NullDeviceMode nullMode = NullDeviceMode::RealTime;
    unsigned nullRate = 0;
    bool failedOver = false;
    int selected = -1; // -1 default, 0 no sound, 1.. outputs[selected - 1]
    int defaultOutput = -1;
    std::vector<PaDevice> outputs;
    std::vector<PaDevice> inputs;
    int openStreams = 0;
    QString lastError;
    std::function<void(const float*, std::uint32_t)> monitor;
    std::function<void(float*, std::uint32_t)> inputSource;
};

State& S()
{
    static State s;
    return s;
}

std::atomic<double> g_load{0.0};
std::mutex g_monitorMutex;

// ALSA reports every device it fails to probe on stderr; the program's output stays clean.
void SilentAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

// JACK's client library prints straight to stderr while PortAudio looks for a server that is
// not there. Standard error is pointed at /dev/null for the duration of the probe.
class QuietStderr
{
public:
    QuietStderr()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (m_saved >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        if (m_saved >= 0)
        {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

// The environment variable that makes a process a start-up probe (see PortAudioStartsSafely).
constexpr char kProbeVariable[] = "VORNA_AUDIO_PROBE";

// A process started as the probe starts PortAudio, ends it and exits, before main and before
// any thread of its own exists; it prints nothing. Every program that can start the audio layer
// links this file, so the probe is whichever executable asks for it.
__attribute__((constructor)) void RunAsProbeIfAsked()
{
    const char* probe = std::getenv(kProbeVariable);
    if (probe == nullptr || std::strcmp(probe, "1") != 0)
        return;
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0)
    {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    snd_lib_error_set_handler(&SilentAlsaHandler);
    if (Pa_Initialize() == paNoError)
        Pa_Terminate();
    ::_exit(0);
}

// PortAudio's ALSA host asserts, and so aborts the whole program, when ALSA defines no PCM at
// all (an empty or missing configuration, or one with only a ctl entry, on a machine without a
// card). Whether it survives is found out first in a fresh process: this executable run again
// as the probe (posix_spawn, so nothing of this process's threads and locks is carried over, as
// it would be into a forked child). A probe that dies, or hangs past the bound, means the
// program runs on the null device.
bool PortAudioStartsSafely()
{
    std::vector<std::string> variables;
    for (char** at = environ; at != nullptr && *at != nullptr; ++at)
        if (std::strncmp(*at, kProbeVariable, sizeof kProbeVariable - 1) != 0)
            variables.emplace_back(*at);
    variables.push_back(std::string(kProbeVariable) + "=1");
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    char name[] = "vorna-audio-probe";
    char* argv[] = {name, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return true; // no probe possible: the start-up is tried here as before
    constexpr auto kBound = std::chrono::seconds(10);
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    int status = 0;
    for (;;)
    {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
        {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// "libsndfile-1.2.0" -> {1, 2}; "libsoxr-0.1.3" -> {0, 1}.
std::pair<int, int> VersionOf(const char* text)
{
    int major = -1;
    int minor = -1;
    if (!text)
        return {major, minor};
    const char* dash = std::strrchr(text, '-');
    if (dash)
        std::sscanf(dash + 1, "%d.%d", &major, &minor);
    return {major, minor};
}

bool AtLeast(std::pair<int, int> v, int major, int minor)
{
    return v.first > major || (v.first == major && v.second >= minor);
}

// Which entry of @p list is the default: the sound server's own ALSA device ("pipewire",
// then "pulse") when there is one, else PortAudio's default, else the first. Under PipeWire a
// stream on ALSA's "default" can open and then never call back, and on some systems
// "default" is a silent sink.
void MarkDefault(std::vector<PaDevice>& list, PaDeviceIndex paDefault)
{
    int pipewire = -1;
    int pulse = -1;
    int fallback = -1;
    for (int at = 0; at < static_cast<int>(list.size()); ++at)
    {
        if (list[at].info.name == QLatin1String("pipewire"))
            pipewire = at;
        else if (list[at].info.name == QLatin1String("pulse"))
            pulse = at;
        if (list[at].index == paDefault)
            fallback = at;
    }
    const int chosen = pipewire >= 0 ? pipewire : pulse >= 0 ? pulse : fallback >= 0 ? fallback : 0;
    if (!list.empty())
        list[chosen].info.isDefault = true;
}

void Enumerate(State& s)
{
    s.outputs.clear();
    s.inputs.clear();
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i)
    {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || !info->name)
            continue;
        const QString name = QString::fromUtf8(info->name);
        if (info->maxOutputChannels >= kChannels)
            s.outputs.push_back({i, {name, true, false}, 0});
        if (info->maxInputChannels >= 1)
            s.inputs.push_back({i, {name, true, false}, std::min(info->maxInputChannels, kChannels)});
    }
    MarkDefault(s.outputs, Pa_GetDefaultOutputDevice());
    MarkDefault(s.inputs, Pa_GetDefaultInputDevice());
    s.defaultOutput = -1;
    for (int at = 0; at < static_cast<int>(s.outputs.size()); ++at)
        if (s.outputs[at].info.isDefault)
            s.defaultOutput = at;
}

void TerminateNow(State& s)
{
    if (s.paUp)
        Pa_Terminate();
    s.paUp = false;
    s.initialised = false;
    s.terminatePending = false;
    s.outputs.clear();
    s.inputs.clear();
}

} // namespace

QString AudioSystem::CheckVersions()
{
    // Each check keeps the wording the users of the program know; what is checked is what
    // this layer stands on.
    if (Pa_GetVersion() < 0x130000) // PortAudio V19
        return QStringLiteral("Found a problem in the audio driver (unexpected version).");
    try
    {
        Spectrum probe;
    }
    catch (...)
    {
        return QStringLiteral("Found a problem in the audio driver (unexpected fx version).");
    }
    if (!AtLeast(VersionOf(sf_version_string()), 1, 1)) // MP3 and Opus decoding came with 1.1
        return QStringLiteral("Found a problem in the audio driver (unexpected encoder version).");
    if (!AtLeast(VersionOf(soxr_version()), 0, 1))
        return QStringLiteral("Found a problem in the audio driver (unexpected mixer version).");
    return {};
}

bool AudioSystem::Initialize(int device)
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.failedOver = false;
    s.selected = device;
    if (!s.initialised)
    {
        ::setenv("JACK_NO_START_SERVER", "1", 0);
        snd_lib_error_set_handler(&SilentAlsaHandler);
        if (!PortAudioStartsSafely())
            return false;
        PaError err;
        {
            QuietStderr quiet;
            err = Pa_Initialize();
        }
        if (err != paNoError)
            return false;
        s.paUp = true;
        s.initialised = true;
        Enumerate(s);
    }
    s.terminatePending = false;
    if (s.outputs.empty())
        return false;
    return device >= -1 && device <= static_cast<int>(s.outputs.size());
}

void AudioSystem::Shutdown()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (s.openStreams > 0)
        s.terminatePending = true; // terminating under an open stream is not allowed
    else
        TerminateNow(s);
}

std::vector<DeviceInfo> AudioSystem::OutputDevices()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    std::vector<DeviceInfo> list{{QStringLiteral("No sound"), true, false}};
    for (const auto& d : s.outputs)
        list.push_back(d.info);
    return list;
}

std::vector<DeviceInfo> AudioSystem::InputDevices()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    std::vector<DeviceInfo> list;
    if (s.forcedNull)
        return list;
    for (const auto& d : s.inputs)
        list.push_back(d.info);
    return list;
}

int AudioSystem::MinBufferMs()
{
    const detail::OutputTarget target = detail::CurrentOutput();
    if (target.null)
        return 10;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(target.paDevice);
    return info ? static_cast<int>(info->defaultLowOutputLatency * 1000.0) : -1;
}

double AudioSystem::CpuPercent()
{
    return std::max(0.0, g_load.load(std::memory_order_relaxed)) * 100.0;
}

void AudioSystem::UseNullDevice(NullDeviceMode mode)
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.forcedNull = true;
    s.nullMode = mode;
}

void AudioSystem::SetNullDeviceRate(unsigned rate)
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.nullRate = rate;
}

void AudioSystem::UseRealDevices()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.forcedNull = false;
    s.nullMode = NullDeviceMode::RealTime;
}

bool AudioSystem::UsesNullDevice()
{
    return detail::CurrentOutput().null;
}

void AudioSystem::SetNullDeviceMonitor(std::function<void(const float*, std::uint32_t)> monitor)
{
    std::lock_guard lock(g_monitorMutex);
    S().monitor = std::move(monitor);
}

void AudioSystem::SetNullInputSource(std::function<void(float* frames, std::uint32_t count)> source)
{
    std::lock_guard lock(g_monitorMutex);
    S().inputSource = std::move(source);
}

QString AudioSystem::LastError()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    return s.lastError;
}

namespace detail
{

OutputTarget CurrentOutput()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    OutputTarget t;
    t.mode = s.nullMode;
    t.nullRate = s.nullRate;
    if (s.forcedNull || !s.paUp || s.failedOver || s.selected == 0)
        return t;
    int at = s.selected == -1 ? s.defaultOutput : s.selected - 1;
    if (at < 0 || at >= static_cast<int>(s.outputs.size()))
        return t;
    t.null = false;
    t.paDevice = s.outputs[at].index;
    return t;
}

InputTarget ResolveInput(int device)
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    InputTarget t;
    t.mode = s.nullMode;
    if (s.forcedNull)
    {
        t.ok = true;
        t.inUse = device < 0 ? 0 : device;
        return t;
    }
    if (!s.paUp || s.inputs.empty())
        return t;
    int at = device;
    if (device == -1)
    {
        at = 0;
        for (int i = 0; i < static_cast<int>(s.inputs.size()); ++i)
            if (s.inputs[i].info.isDefault)
                at = i;
    }
    if (at < 0 || at >= static_cast<int>(s.inputs.size()))
        return t;
    t.ok = true;
    t.null = false;
    t.paDevice = s.inputs[at].index;
    t.channels = s.inputs[at].inputChannels;
    t.inUse = at;
    return t;
}

void StreamOpened()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    ++s.openStreams;
}

void StreamClosed()
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (--s.openStreams == 0 && s.terminatePending)
        TerminateNow(s);
}

void OutputFailed(const QString& text)
{
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.failedOver = true;
    s.lastError = text;
}

void AddLoad(double fraction)
{
    g_load.fetch_add(fraction, std::memory_order_relaxed);
}

void Monitor(const float* frames, std::uint32_t count) noexcept
{
    std::lock_guard lock(g_monitorMutex);
    if (S().monitor)
        S().monitor(frames, count);
}

void NullInput(float* frames, std::uint32_t count) noexcept
{
    std::lock_guard lock(g_monitorMutex);
    if (S().inputSource)
        S().inputSource(frames, count);
}

} // namespace detail
} // namespace plat
