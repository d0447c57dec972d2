// A whole chat session fed from the input: the client's bytes arrive in
// chunks over a socket pair while the session runs on its own thread with
// the station's encoder behind it, and this thread serves its window
// calls. The session must end; Telnet negotiation comes out of the text
// and is declined; a user gets in under a printable name of 2 to 255
// characters or is asked again; and what the user typed after the login
// goes on the air whole, in order, up to its last line end, each line
// after the user's name, as the chat users watching see it, in capitals
// and within the automatic line length in the five-bit modes.
//
// Input: byte 0 chooses the mode (bits 0..2), automatic start (bit 3) and
// the automatic line length (bits 4..7: none, or 46 and up); byte 1 sets
// the chunk sizes; the rest is what the client sends.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/event_log.h"
#include "common/text_case.h"
#include "station/app/window_clock.h"
#include "station/config/station_mode.h"
#include "station/config/station_settings.h"
#include "station/encoding/character_encoder.h"
#include "station/encoding/code_output.h"
#include "station/encoding/morse_keyer.h"
#include "station/encoding/port_device_map.h"
#include "station/encoding/serial_port.h"
#include "station/encoding/transmit_busy.h"
#include "station/encoding/transmitter.h"
#include "station/net/chat_session.h"
#include "station/net/chat_station.h"
#include "station/net/chat_wakeups.h"
#include "station/net/echo_macro.h"
#include "station/net/socket_connection.h"
#include "station/queue/file_transmitter.h"
#include "station/queue/monitor_ring.h"
#include "station/queue/send_queue.h"
#include "station/queue/transmit_cycle.h"
#include "tests/common_support/recording_controls.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_worker.h"
#include "tests/fuzz/fuzz_workspace.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_devices.h"
#include "tests/support/recording_serial_line.h"

namespace {

using kestrix::fuzzing::Require;
namespace kt = kestrix::testing;

// No Morse: its ticks would have to run on the simulated clock.
constexpr std::array<int, 8> kModes = {
    kestrix::kModeAscii,    kestrix::kModeIta2,  kestrix::kModeTelex,    kestrix::kModeMilitary,
    kestrix::kModeMilitary, kestrix::kModePsk31, kestrix::kModeMilitary, kestrix::kModeIta2};
// One receive of the session while it waits for the name: every chunk fits.
constexpr std::size_t kMaxChunk = 256;
constexpr std::string_view kGreeting = "Telnet Chat Server Service Ready\r\nEnter User Name:  ";
constexpr std::string_view kAgain = "Re-Enter User Name:  ";
constexpr std::string_view kWelcome = "\n\r\n\rWelcome \"";

struct Recorder final : kestrix::CodeOutput {
  void SendCode(int code) override { codes.push_back(code); }
  std::vector<int> codes;
};

// The user's text of each chunk, Telnet taken out as the protocol has it:
// IAC IAC is the byte, IAC and an option verb take one more byte, IAC SB
// runs to IAC SE, IAC and anything else is a two-byte command. Also the
// answers owed: WONT to every DO, DONT to every WILL.
struct Typed {
  std::vector<std::string> chunks;
  std::string answers;
};

Typed TakeOutTelnet(std::string_view input, unsigned seed) {
  Typed typed;
  enum { kText, kCommand, kOption, kSub, kSubCommand } state = kText;
  unsigned char verb = 0;
  for (unsigned number = 1; !input.empty(); ++number) {
    const std::string_view chunk =
        input.substr(0, kestrix::fuzzing::ChunkSize(seed, number, kMaxChunk));
    input.remove_prefix(chunk.size());
    std::string text;
    for (const char byte : chunk) {
      const auto c = static_cast<unsigned char>(byte);
      switch (state) {
        case kText:
          state = c == 255 ? kCommand : kText;
          if (c != 255) {
            text += byte;
          }
          break;
        case kCommand:
          if (c == 255) {
            text += byte;
            state = kText;
          } else if (c >= 251 && c <= 254) {
            verb = c;
            state = kOption;
          } else {
            state = c == 250 ? kSub : kText;
          }
          break;
        case kOption:
          if (verb == 253 || verb == 251) {
            typed.answers += {'\xff', static_cast<char>(verb == 253 ? 252 : 254), byte};
          }
          state = kText;
          break;
        case kSub:
          state = c == 255 ? kSubCommand : kSub;
          break;
        case kSubCommand:
          state = c == 240 ? kText : kSub;
          break;
      }
    }
    typed.chunks.push_back(text);
  }
  return typed;
}

// The replies, Telnet answers taken out (they come between the others).
std::string WithoutAnswers(std::string replies, const std::string& answers) {
  std::size_t from = 0;
  for (std::size_t at = 0; at + 3 <= answers.size(); at += 3) {
    const std::size_t found = replies.find(answers.substr(at, 3), from);
    Require(found != std::string::npos, "a Telnet option was not declined");
    replies.erase(found, 3);
    from = found;
  }
  return replies;
}

bool IsPrintable(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// The login by the rules a user is told: the text typed (at most 255
// characters of it) up to its last line end, without the CR before that;
// a name of at least two printable characters gets in, any other is
// refused and the typing starts over.
struct Login {
  std::size_t refusals = 0;
  std::optional<std::size_t> chunk;  // the chunk that logged the user in
  std::string name;
};

Login LogIn(const std::vector<std::string>& chunks) {
  Login login;
  std::string name;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    name = (name + chunks[i]).substr(0, kestrix::ChatSession::kMaxName);
    const std::size_t lineFeed = name.rfind('\n');
    if (lineFeed == std::string::npos && name.rfind('\r') == std::string::npos) {
      continue;
    }
    name = name.substr(0, lineFeed);
    name = name.substr(0, name.rfind('\r'));
    if (name.size() >= 2 && IsPrintable(name)) {
      login.chunk = i;
      login.name = name;
      return login;
    }
    ++login.refusals;
    name.clear();
  }
  return login;
}

// The lines as a five-bit machine gets them: in capitals, and with a
// line length, broken after the first blank past five columns short of
// it, or after the column past it when no blank comes; columns count from
// the last line end, the name included.
std::string WithBreaks(std::string_view lines, int lineLength) {
  std::string aired;
  int column = 0;
  for (const char c : lines) {
    column = (c == '\r' || c == '\n') ? 0 : column + 1;
    aired += static_cast<char>(kestrix::UpperCase(static_cast<unsigned char>(c)));
    if (lineLength > 0 && ((column > lineLength - 5 && c == ' ') || column > lineLength)) {
      aired += "\r\n";
      column = 0;
    }
  }
  return aired;
}

// The longest run of characters between line ends.
std::size_t LongestLine(std::string_view text) {
  std::size_t longest = 0, run = 0;
  for (const char c : text) {
    run = (c == '\r' || c == '\n') ? 0 : run + 1;
    longest = std::max(longest, run);
  }
  return longest;
}

// The station's parts a chat line goes through, with recording devices and
// no clock running (so its waits for idle end at once).
struct Station {
  explicit Station(kestrix::WallClock::time_point start) : loop(start) {}

  kt::SimulatedEventLoop loop;
  kt::FakeStationWindow window;
  kestrix::EventLog log{loop, window.eventList, window.messageBox};
  kestrix::StationSettings settings;
  kestrix::WindowClock clock{loop, log, [](int) {}};
  kestrix::MonitorRing ring;
  kestrix::TransmitBusy busy{loop};
  Recorder output;
  kestrix::CharacterEncoder encoder{output, loop};
  kt::RecordingPsk31Modem modem;
  kt::RecordingSerialLine line{loop};
  kestrix::PortDeviceMap devices;
  kestrix::SerialPort port{line, loop, devices, settings, log, window.messageBox, [](int) {}};
  kt::RecordingSoundKeyer keyer;
  kestrix::MorseKeyer morse{settings, clock, port, keyer};
  kestrix::Transmitter transmitter{
      settings, loop,
      log,      clock,
      port,     modem,
      keyer,    kestrix::TransmitterControls{window.menus, window.transmitStatus, window.cwId}};
  kestrix::FileTransmitter files{
      settings,
      loop,
      log,
      encoder,
      output,
      morse,
      modem,
      busy,
      ring,
      kestrix::FileTransmitterControls{window.textPane, window.fileName, window.charactersLeft,
                                       window.flowStatus}};
  kestrix::SendQueue queue;
  kestrix::TransmitCycle cycle{
      settings,
      loop,
      log,
      clock,
      queue,
      transmitter,
      output,
      files,
      modem,
      busy,
      kestrix::TransmitCycleControls{window.scheduleStatus, window.flowStatus, window.countDown,
                                     window.cwId}};
  kestrix::ChatStation parts{settings,    loop,    log,    clock,           ring,
                             busy,        encoder, output, modem,           morse,
                             transmitter, cycle,   queue,  window.textPane, window.chatUsers};
};

void CheckAir(Station& s, int mode, int lineLength, const std::string& name,
              const std::string& typedAfterLogin) {
  std::string aired;
  for (const std::string& text : s.window.textPane.texts) {
    const std::string lead = "\n\r" + name + "::  ";
    Require(text.starts_with(lead), "a line went out without the user's name");
    aired += text.substr(lead.size());
  }
  // Whole and in order, up to the last line end.
  const std::size_t lastEnd = typedAfterLogin.find_last_of("\r\n");
  Require(aired == (lastEnd == std::string::npos ? "" : typedAfterLogin.substr(0, lastEnd + 1)),
          "the air did not get what was typed, whole and in order");

  std::string lines;
  for (const std::string& text : s.window.textPane.texts) {
    lines += text;
  }
  // The watchers' text: the lines, and in the five-bit modes in capitals
  // and broken. The ring holds only its newest characters (a long session
  // outgrows it), so those are compared with the end of the text, and the
  // count of all it was given with the whole.
  const std::string expected = kestrix::IsFiveBitMode(mode) ? WithBreaks(lines, lineLength) : lines;
  const std::uint64_t stored = s.ring.WriteCount();
  std::uint64_t from = stored - std::min<std::uint64_t>(stored, kestrix::MonitorRing::kCapacity);
  std::string watched;
  s.ring.ReadSince(from, watched);
  Require(stored == expected.size(), "the watchers were given more or less than was sent");
  kestrix::fuzzing::RequireSame(watched,
                                std::string_view(expected).substr(expected.size() - watched.size()),
                                "the watchers did not see the lines as sent");
  if (!kestrix::IsFiveBitMode(mode)) {
    std::vector<int> codes;
    for (const char c : lines) {
      codes.push_back(static_cast<unsigned char>(c) & 0x7F);
    }
    Require(s.output.codes == codes, "the codes are not the lines' characters");
    if (mode == kestrix::kModePsk31) {
      Require(std::count(s.modem.calls.begin(), s.modem.calls.end(), "char 0,0") ==
                  static_cast<std::ptrdiff_t>(lines.size()),
              "a character without the modem's keep-alive");
    }
    return;
  }
  if (lineLength > 0) {
    Require(LongestLine(watched) <= static_cast<std::size_t>(lineLength) + 1,
            "a line longer than the automatic line length");
  }
  // What went out is the watchers' text, through a fresh encoder.
  kt::SimulatedEventLoop loop{s.loop.Now()};
  Recorder fresh;
  kestrix::CharacterEncoder encoder{fresh, loop};
  for (const char c : expected) {
    encoder.EncodeCharacter(static_cast<unsigned char>(c), mode);
  }
  Require(s.output.codes == fresh.codes, "the codes are not what the watchers saw");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  const int mode = kModes[data[0] & 7];
  const int lineLength = (data[0] >> 4) == 0 ? 0 : 44 + 2 * (data[0] >> 4);
  const unsigned chunkSeed = data[1];
  const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

  const kestrix::WallClock::time_point start = kt::LocalMoment(2026, 12, 8, 18, 0, 0);
  kestrix::fuzzing::FreshWorkingDirectory({start});
  Station s{start};
  s.settings.MODE = mode;
  s.settings.QERVAutoStart = (data[0] & 8) != 0 ? 1 : 0;
  s.settings.QERVAutoLine72 = lineLength;
  kestrix::EchoMacro echo{s.loop};
  kestrix::ChatWakeups wakeups;
  std::atomic<int> softLimit{0};
  const std::atomic<bool> stopping{false};

  int fds[2];
  Require(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) == 0, "no socket pair");
  auto connection = std::make_shared<kestrix::SocketConnection>(fds[0]);
  kestrix::ChatSession session{connection, "127.000.000.001", s.parts,  echo,
                               wakeups,    softLimit,         stopping, kestrix::ChatTimeouts{}};

  static kestrix::fuzzing::Worker sessionThread;
  static kestrix::fuzzing::Worker clientThread;
  std::atomic<int> running{2};
  std::vector<std::string> replies;
  sessionThread.Start([&] {
    session.Run();
    --running;
    s.loop.Wake();
  });
  clientThread.Start([&] {
    replies = kestrix::fuzzing::Converse(fds[1], input, chunkSeed, kMaxChunk);
    ::close(fds[1]);
    --running;
    s.loop.Wake();
  });
  while (running.load() > 0) {
    s.loop.WaitForWake();
  }
  sessionThread.Join();
  clientThread.Join();

  const Typed typed = TakeOutTelnet(input, chunkSeed);
  std::string all;
  for (const std::string& reply : replies) {
    all += reply;
  }
  all = WithoutAnswers(all, typed.answers);
  Require(all.starts_with(kGreeting), "the session did not begin with its greeting");

  // The login as the user sees it: asked again after every refused name.
  const Login login = LogIn(typed.chunks);
  const std::size_t welcome = all.find(kWelcome);
  const std::string_view asked = std::string_view(all).substr(
      kGreeting.size(), (welcome == std::string::npos ? all.size() : welcome) - kGreeting.size());
  std::size_t refusals = 0;
  for (std::string_view rest = asked; !rest.empty(); rest.remove_prefix(kAgain.size())) {
    Require(rest.starts_with(kAgain), "something else than a new request for the name");
    ++refusals;
  }
  Require(refusals == login.refusals, "not asked again once for every refused name");
  if (welcome == std::string::npos) {
    Require(!login.chunk, "a good name was refused");
    Require(s.window.textPane.texts.empty() && s.output.codes.empty(),
            "a line went on the air without a login");
    Require(s.window.chatUsers.rows.empty(), "a user is listed without a login");
    return 0;
  }
  // (A name may hold the welcome's own words: it is looked for whole.)
  Require(login.chunk.has_value() && std::string_view(all)
                                         .substr(welcome + kWelcome.size())
                                         .starts_with(login.name + "\" to this chat session"),
          "a user got in under another name");
  const std::string& name = login.name;
  Require(name.size() >= 2 && name.size() <= kestrix::ChatSession::kMaxName && IsPrintable(name),
          "a user got in under a name that is too short, too long or not printable");
  Require(s.window.chatUsers.rows.empty(), "a user who left is still listed");
  Require(s.busy.TryTake(), "the session kept the transmit flag");
  s.busy.Release();

  // What was typed after the chunk that logged the user in is the user's
  // text; the rest of that chunk went with the name.
  std::string after;
  for (std::size_t chunk = *login.chunk + 1; chunk < typed.chunks.size(); ++chunk) {
    after += typed.chunks[chunk];
  }
  CheckAir(s, mode, lineLength, name, after);
  return 0;
}
