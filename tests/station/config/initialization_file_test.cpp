#include "station/config/initialization_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/common_support/comma_decimal_locale.h"
#include "tests/common_support/simulated_event_loop.h"
#include "tests/common_support/temp_working_directory.h"
#include "tests/support/recording_controls.h"

namespace kestrix {
namespace {

using Snapshot = std::map<std::string, std::string>;

// Everything the file can change, as text: comparing whole snapshots also
// shows that a line touched no other key.
Snapshot Take(const StationSettings& s, const PortDeviceMap& devices) {
  std::string badWords;
  for (const std::string& word : s.BadWordList) {
    badWords += word + "|";
  }
  auto text = [](auto value) { return std::to_string(value); };
  return {
      {"smtp", text(s.SMTP_Port_Number1.load()) + "," + text(s.SMTP_Port_Number2.load())},
      {"telnet", text(s.QERVTelnetPortNumber.load())},
      {"autoLine72", text(s.QERVAutoLine72.load())},
      {"useSubject", text(s.QERVUseSubjectFileName.load())},
      {"badWords", badWords},
      {"email", s.QERVEmailAddress},
      {"callsign", s.QERVCallsign},
      {"commPort", s.m_CommPort},
      {"dataPath", s.QERVDataPath},
      {"txLine", text(s.TxLine.load())},
      {"soundCardID", text(s.soundCardID.load())},
      {"autoStart", text(s.QERVAutoStart.load())},
      {"header", text(s.headerEnable.load())},
      {"schedule", text(s.scheduleEnable.load())},
      {"tones", text(s.markTone.load()) + "," + text(s.spaceTone.load())},
      {"COM3", devices.DeviceFor("COM3")},
      {"soundDevice", s.QERVSoundDevice},
      {"morseTickMs", text(s.QERVMorseTickMs.load())},
  };
}

// The start values with `changes` applied.
Snapshot With(const Snapshot& changes) {
  Snapshot expected = Take(StationSettings{}, PortDeviceMap{});
  for (const auto& [key, value] : changes) {
    EXPECT_TRUE(expected.contains(key)) << key;
    expected[key] = value;
  }
  return expected;
}

class InitializationFileTest : public ::testing::Test {
 protected:
  InitializationFileTest() { std::filesystem::create_directory("log"); }

  // Reads the file (written first unless `content` is null) and returns the
  // logged texts.
  std::vector<std::string> Read(InitializationFile& file, const std::string* content) {
    if (content != nullptr) {
      testing::WriteFile(InitializationFile::kFileName, *content);
    }
    list.lines.clear();
    EXPECT_EQ(file.ReadInitializationFile(), 0);
    std::vector<std::string> texts;
    for (const std::string& line : list.lines) {
      texts.push_back(line.substr(11));
    }
    return texts;
  }

  testing::TempWorkingDirectory dir;
  testing::SimulatedEventLoop loop{testing::LocalMoment(2026, 3, 7, 9, 5, 7)};
  testing::RecordingStatusList list;
  testing::RecordingMessageBox box;
  EventLog log{loop, list, box};
  StationSettings settings;
  PortDeviceMap devices;
  InitializationFile file{settings, log, devices};
};

TEST_F(InitializationFileTest, EachLineSetsItsKeysAndLogsThem) {
  struct Row {
    std::string content;
    Snapshot changed;
    std::vector<std::string> log;
  };
  const std::string filler(1022, 'x');
  const Row rows[] = {
      {"qerv telnetPortNumber = 2323\r\n",
       {{"telnet", "2323"}},
       {"INIT QERVTelnetPortNumber set to 2323"}},
      {"QERVTELNETPORTNUMBER 2323", {}, {}},
      {"QERVAUTOLINE72=72",
       {{"autoLine72", "72"}},
       {"INIT QERVAutoLine72 - Max num of char per line set to 72"}},
      {"QERVAUTOLINE72=46",
       {{"autoLine72", "46"}},
       {"INIT QERVAutoLine72 - Max num of char per line set to 46"}},
      {"QERVAUTOLINE72=80",
       {{"autoLine72", "80"}},
       {"INIT QERVAutoLine72 - Max num of char per line set to 80"}},
      {"QERVAUTOLINE72=45",
       {{"autoLine72", "68"}},
       {"INIT QERVAutoLine72 - Error: Max num 45 too big, using 68"}},
      {"QERVAUTOLINE72=81",
       {{"autoLine72", "68"}},
       {"INIT QERVAutoLine72 - Error: Max num 81 too big, using 68"}},
      {"QERVAUTOLINE72=none",
       {{"autoLine72", "68"}},
       {"INIT QERVAutoLine72 - Error: Max num 0 too big, using 68"}},
      {"QERVUSESUBJECTFILENAME=0",
       {{"useSubject", "0"}},
       {"INIT QERVUseSubjectFileName - Date/Time Stamp format used for filenames"}},
      {"QERVUSESUBJECTFILENAME=7",
       {},
       {"INIT QERVUseSubjectFileName - Filename used for filenames"}},
      {"QERVEMAILSMTPPORTS=2525,0",
       {{"smtp", "2525,0"}},
       {"SMTP Email Ports set to Primary=2525 and Secondary=0"}},
      {"QERVEMAILSMTPPORTS=2525", {}, {}},
      {"QERVFREQUENCIES 1275.5 1445.5",
       {{"tones", "1275.500000,1445.500000"}},
       {"Sound Card Frequencies Mark=1275.500000 and Space=1445.500000"}},
      {"QERVBADWORD=\"darn\"", {{"badWords", "DARN|"}}, {}},
      {"QERVEMAILADDRESS=\"ops@example.org\"",
       {{"email", "OPS@EXAMPLE.ORG"}},
       {"QERVEmailAddress overridden and set to \"OPS@EXAMPLE.ORG\""}},
      {"QERVCALLSIGN=\"ab1cd\" // was \"xx9xx\"",
       {{"callsign", "AB1CD"}},
       {"QERVCallsign overridden and set to \"AB1CD\""}},
      {"QERVCALLSIGN=\"" + std::string(50, 'k') + "\"",
       {{"callsign", std::string(39, 'K')}},
       {"QERVCallsign overridden and set to \"" + std::string(39, 'K') + "\""}},
      {"QERVCOMMPORT=\"usbserial0\"",
       {{"commPort", "USBSERIAL"}},
       {"QERVCommPort overridden and set to \"USBSERIAL\""}},
      {"QERVDATAPATH=\"Data/Mixed/\"",
       {{"dataPath", "Data/Mixed/"}},
       {"QERVDataPath overridden and set to \"Data/Mixed/\""}},
      {"QERVDATAPATH=\"//server/x/\"", {}, {}},
      {"QERVRS232CONTROL=\"DTR\"",
       {{"txLine", "32807"}},
       {"RS-232 Control set to ID_RS232CONTROL_RTS transmit line control."}},
      {"QERVRS232CONTROL=\"RTS\"",
       {{"txLine", "32808"}},
       {"RS-232 Control set to ID_RS232CONTROL_DTR transmit line control."}},
      {"QERVRS232CONTROL=\"rtsdtr\"",
       {{"txLine", "32808"}},
       {"RS-232 Control set to ID_RS232CONTROL_DTR transmit line control."}},
      {"QERVRS232CONTROL=\"NONE\"",
       {},
       {"RS-232 Control set to ID_RS232CONTROL_DISABLED transmit line control."}},
      {"QERVSOUNDCARDID=1", {{"soundCardID", "1"}}, {"INIT QERVSoundCardID set to 1"}},
      {"QERVAUTOSTART=1 and more text", {{"autoStart", "1"}}, {"INIT QERVAutoStart set to 1"}},
      {"QERVSCHEDULERENABLE=1", {{"schedule", "1"}}, {"INIT QERVscheduleEnable set to 1"}},
      {"QERVHEADER=1 QERVAUTOSTART",
       {{"autoStart", "1"}, {"header", "1"}},
       {"INIT QERVAutoStart set to 1", "INIT QERVHeader set to 1"}},
      {"QERVSERIALDEVICE=\"com3=/dev/ttyUSB0\"",
       {{"COM3", "/dev/ttyUSB0"}},
       {"QERVSerialDevice maps \"COM3\" to \"/dev/ttyUSB0\""}},
      {"QERVSERIALDEVICE=\"COM3=\"",
       {},
       {"QERVSerialDevice ignored: \"COM3=\" is not PORT=DEVICE"}},
      {"QERVSOUNDDEVICE=\"hw:CARD=Usb,DEV=0\"",
       {{"soundDevice", "hw:CARD=Usb,DEV=0"}},
       {"QERVSoundDevice overridden and set to \"hw:CARD=Usb,DEV=0\""}},
      {"QERVMORSETICKMS=1", {{"morseTickMs", "1"}}, {"INIT QERVMorseTickMs set to 1"}},
      {"QERVMORSETICKMS=1000", {{"morseTickMs", "1000"}}, {"INIT QERVMorseTickMs set to 1000"}},
      {"QERVMORSETICKMS=0",
       {},
       {"INIT QERVMorseTickMs - Error: 0 out of range 1..1000, keeping 6"}},
      {"QERVMORSETICKMS=1001",
       {},
       {"INIT QERVMorseTickMs - Error: 1001 out of range 1..1000, keeping 6"}},
      // Read 1,022 characters at a time: the rest of a longer line is a line.
      {filler + "QERVHEADER=1\n", {{"header", "1"}}, {"INIT QERVHeader set to 1"}},
      {filler.substr(2) + "QERVAUTOSTART=1\n", {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.content.substr(0, 60));
    StationSettings fresh;
    PortDeviceMap freshDevices;
    InitializationFile reader{fresh, log, freshDevices};
    EXPECT_EQ(Read(reader, &row.content), row.log);
    EXPECT_EQ(Take(fresh, freshDevices), With(row.changed));
  }
}

TEST_F(InitializationFileTest, TonesAreReadAndLoggedWithAPointUnderACommaDecimalLanguage) {
  testing::CommaDecimalLocale german;
  ASSERT_TRUE(german.Active()) << "run scripts/install-deps.sh";
  const std::string content = "QERVFREQUENCIES=1275.5,1445.25\n";
  EXPECT_EQ(
      Read(file, &content),
      std::vector<std::string>{"Sound Card Frequencies Mark=1275.500000 and Space=1445.250000"});
  EXPECT_EQ(settings.markTone, 1275.5);
  EXPECT_EQ(settings.spaceTone, 1445.25);
}

TEST_F(InitializationFileTest, WithoutAFileOnlyTheIntakeSettingsAreReset) {
  settings.BadWordList = {"DARN"};
  settings.QERVAutoLine72 = 72;
  settings.QERVUseSubjectFileName = 0;
  settings.SMTP_Port_Number1 = 2525;
  settings.SMTP_Port_Number2 = 2593;
  settings.QERVTelnetPortNumber = 2323;
  settings.QERVCallsign = "N0CALL";
  settings.QERVMorseTickMs = 12;
  EXPECT_EQ(Read(file, nullptr), std::vector<std::string>{"Unable to open Input file Kestrix.ini"});
  EXPECT_EQ(Take(settings, devices), With({{"callsign", "N0CALL"}, {"morseTickMs", "12"}}));
}

TEST_F(InitializationFileTest, TheBadWordListStopsAtFiveHundredAndSaysSoOncePerRead) {
  std::string content;
  for (int i = 1; i <= 502; ++i) {
    content += "QERVBADWORD=\"w" + std::to_string(i) + "\"\n";
  }
  for (int read = 0; read < 2; ++read) {
    EXPECT_EQ(Read(file, &content),
              std::vector<std::string>{
                  "QERVBadWord list is full (500 words), ignoring \"W501\" and later words"});
    ASSERT_EQ(settings.BadWordList.size(), 500u);
    EXPECT_EQ(settings.BadWordList.back(), "W500");
  }
}

TEST_F(InitializationFileTest, TheMailSizeLimitAndTheNetworkKeysAreTaken) {
  const std::string content =
      "QERVMAXMESSAGEBYTES=5000\nQERVMAXMESSAGEBYTES=0\n"
      "QERVLISTENADDRESS=\"127.0.0.1\"\nQERVALLOWFROM=\"10.0.0.0/8, 127.0.0.1\"\n";
  EXPECT_EQ(
      Read(file, &content),
      (std::vector<std::string>{"INIT QERVMaxMessageBytes set to 5000",
                                "INIT QERVMaxMessageBytes - Error: 0 is not a size, keeping 5000",
                                "QERVListenAddress overridden and set to \"127.0.0.1\"",
                                "QERVAllowFrom overridden and set to \"10.0.0.0/8, 127.0.0.1\""}));
  EXPECT_EQ(settings.QERVMaxMessageBytes.load(), 5000);
  EXPECT_EQ(settings.QERVListenAddress, "127.0.0.1");
  EXPECT_EQ(settings.QERVAllowFrom, "10.0.0.0/8, 127.0.0.1");
}

TEST_F(InitializationFileTest, TheDemoStationFileSetsItsValuesAndNothingFromComments) {
  const std::string content = testing::ReadFile(KESTRIX_SAMPLE_INI);
  ASSERT_FALSE(content.empty());
  const std::vector<std::string> logged = Read(file, &content);
  EXPECT_EQ(logged.size(), 16u);  // one per key set, bad words aside
  for (const std::string& text : logged) {
    EXPECT_EQ(text.find("Error"), std::string::npos) << text;
  }
  EXPECT_EQ(Take(settings, devices), With({{"smtp", "2525,2593"},
                                           {"telnet", "2323"},
                                           {"autoLine72", "68"},
                                           {"badWords", "DARN|HECK|"},
                                           {"callsign", "N0CALL"},
                                           {"soundCardID", "-1"},
                                           {"schedule", "1"},
                                           {"soundDevice", "wav:demo-out.wav"}}));
}

}  // namespace
}  // namespace kestrix
