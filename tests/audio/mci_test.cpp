// The MCI command strings and the mixer behind them: what plays, what is
// silent, which error each bad command or file gives.
#include <gtest/gtest.h>

#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "platform/audio/mci.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "tests/audio/sound_files.h"

using namespace soundfiles;
using namespace platform;

namespace {

class Mci : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    ShutdownAudio();
    SetSoundFontPath(kDefaultSoundFont);
    dir = ScratchDir("mci");
  }
  void TearDown() override {
    ShutdownAudio();
    SetSoundFontPath(kDefaultSoundFont);
  }
  std::string File(const std::string& name, const Bytes& bytes) {
    std::string path = dir + "/" + name;
    WriteFile(path, bytes);
    return path;
  }
  static std::vector<int16_t> Render(int frames) {
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2, 0x5555);
    RenderAudio(s.data(), frames);
    return s;
  }
  std::string dir;
};

TEST_F(Mci, ParsesExactlyTheCommandsTheSoundLayerSends) {
  MciCommand c;
  ASSERT_EQ(ParseMciCommand("open \"bgm/stage.mid\" type Sequencer alias sa2 wait", c), kMciOk);
  EXPECT_EQ(c.verb, MciCommand::kOpen);
  EXPECT_EQ(c.file, "bgm/stage.mid");
  EXPECT_TRUE(c.sequencer);
  EXPECT_EQ(c.alias, "sa2");
  EXPECT_TRUE(c.wait);

  ASSERT_EQ(ParseMciCommand("open \"my sounds/hit 1.wav\" type WaveAudio alias sa10 wait", c), kMciOk);
  EXPECT_EQ(c.file, "my sounds/hit 1.wav");
  EXPECT_FALSE(c.sequencer);

  ASSERT_EQ(ParseMciCommand("play sa1", c), kMciOk);
  EXPECT_EQ(c.verb, MciCommand::kPlay);
  EXPECT_FALSE(c.wait);
  ASSERT_EQ(ParseMciCommand("play sa1 wait", c), kMciOk);
  EXPECT_TRUE(c.wait);
  ASSERT_EQ(ParseMciCommand("stop sa1 wait", c), kMciOk);
  EXPECT_EQ(c.verb, MciCommand::kStop);
  ASSERT_EQ(ParseMciCommand("seek sa1 to start wait", c), kMciOk);
  EXPECT_EQ(c.verb, MciCommand::kSeekStart);
  ASSERT_EQ(ParseMciCommand("close sa1 wait", c), kMciOk);
  EXPECT_EQ(c.verb, MciCommand::kClose);
  // Keywords in any case, extra blanks.
  ASSERT_EQ(ParseMciCommand("  OPEN   x.WAV  TYPE waveaudio  ALIAS Snd ", c), kMciOk);
  EXPECT_EQ(c.file, "x.WAV");
  EXPECT_EQ(c.alias, "Snd");
}

TEST_F(Mci, BadCommandStringsGiveTheirErrorCodes) {
  MciCommand c;
  const std::pair<const char*, uint32_t> cases[] = {
      {"", kMciErrMissingCommandString},
      {"   ", kMciErrMissingCommandString},
      {"pause sa1", kMciErrUnrecognizedCommand},
      {"status sa1 mode", kMciErrUnrecognizedCommand},
      {"play", kMciErrMissingDeviceName},
      {"play sa1 from 0", kMciErrUnrecognizedKeyword},
      {"play sa1 wait wait", kMciErrDuplicateFlags},
      {"seek sa1 wait", kMciErrMissingParameter},
      {"seek sa1 to", kMciErrMissingParameter},
      {"seek sa1 to 1000", kMciErrUnsupportedFunction},
      {"stop sa1 notify", kMciErrUnrecognizedKeyword},
      {"open", kMciErrMissingDeviceName},
      {"open \"a.wav type WaveAudio alias x", kMciErrNoClosingQuote},
      {"open a.wav alias x", kMciErrDeviceTypeRequired},
      {"open a.wav type WaveAudio", kMciErrMissingParameter},
      {"open a.wav type CDAudio alias x", kMciErrInvalidDeviceName},
      {"open a.wav type", kMciErrMissingStringArgument},
      {"open a.wav type WaveAudio alias", kMciErrMissingStringArgument},
      {"open a.wav type WaveAudio type Sequencer alias x", kMciErrDuplicateFlags},
      {"open a.wav type WaveAudio alias x shareable", kMciErrUnrecognizedKeyword},
  };
  for (auto [text, code] : cases) EXPECT_EQ(ParseMciCommand(text, c), code) << text;
  // Sent, they change nothing.
  EXPECT_EQ(SendMciString("pause sa1"), kMciErrUnrecognizedCommand);
  EXPECT_EQ(MixerDeviceCount(), 0);
}

TEST_F(Mci, CommandsForDevicesThatAreNotOpen) {
  EXPECT_EQ(SendMciString("play nobody"), kMciErrInvalidDeviceName);
  EXPECT_EQ(SendMciString("play nobody wait"), kMciErrInvalidDeviceName);
  EXPECT_EQ(SendMciString("stop nobody wait"), kMciErrInvalidDeviceName);
  EXPECT_EQ(SendMciString("seek nobody to start wait"), kMciErrInvalidDeviceName);
  EXPECT_EQ(SendMciString("close nobody wait"), kMciErrInvalidDeviceName);
  EXPECT_EQ(sim::Now(), 0u);  // nothing waited
}

TEST_F(Mci, WaveDevicePlaysStopsResumesAndRewinds) {
  // 0.1 s of full-scale positive samples at the output rate.
  std::vector<int16_t> samples(4410 * 2, 10000);
  std::string path = File("flat.wav", Wav16(44100, 2, samples));
  ASSERT_EQ(SendMciString("open \"" + path + "\" type WaveAudio alias W wait"), kMciOk);
  EXPECT_EQ(MixerDeviceCount(), 1);
  EXPECT_EQ(SendMciString("open \"" + path + "\" type WaveAudio alias w wait"), kMciErrDuplicateAlias);

  // Opened but not playing: silence (and the whole buffer is written).
  EXPECT_EQ(Render(100), std::vector<int16_t>(200, 0));

  ASSERT_EQ(SendMciString("play w"), kMciOk);  // aliases ignore case
  EXPECT_TRUE(MixerDevicePlaying("W"));
  auto s = Render(1000);
  EXPECT_EQ(s, std::vector<int16_t>(2000, 10000));

  // Stop keeps the place; play goes on from it.
  ASSERT_EQ(SendMciString("stop w wait"), kMciOk);
  EXPECT_EQ(Render(500), std::vector<int16_t>(1000, 0));
  ASSERT_EQ(SendMciString("play w"), kMciOk);
  s = Render(4000);
  // 1000 + 3410 frames = the whole file; then silence.
  EXPECT_EQ(Rms(s, 0, 3410), 10000.0);
  EXPECT_EQ(Rms(s, 3410, 4000), 0.0);
  EXPECT_FALSE(MixerDevicePlaying("w"));

  // At its end a play does nothing, until the device is sought to the start.
  ASSERT_EQ(SendMciString("play w"), kMciOk);
  EXPECT_FALSE(MixerDevicePlaying("w"));
  ASSERT_EQ(SendMciString("seek w to start wait"), kMciOk);
  ASSERT_EQ(SendMciString("play w"), kMciOk);
  EXPECT_EQ(Rms(Render(4410), 0, 4410), 10000.0);

  ASSERT_EQ(SendMciString("close w wait"), kMciOk);
  EXPECT_EQ(MixerDeviceCount(), 0);
  EXPECT_EQ(SendMciString("play w"), kMciErrInvalidDeviceName);
}

TEST_F(Mci, WaveRatesAreResampledAndSoundsMixWithSaturation) {
  // 0.5 s at 22050 Hz mono lasts 0.5 s at the output rate.
  std::string slow = File("slow.wav", Wav16(22050, 1, std::vector<int16_t>(11025, 30000)));
  std::string loud = File("loud.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, 30000)));
  std::string neg = File("neg.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, -30000)));
  ASSERT_EQ(SendMciString("open \"" + slow + "\" type WaveAudio alias a wait"), kMciOk);
  ASSERT_EQ(SendMciString("open \"" + loud + "\" type WaveAudio alias b wait"), kMciOk);
  ASSERT_EQ(SendMciString("open \"" + neg + "\" type WaveAudio alias c wait"), kMciOk);
  ASSERT_EQ(SendMciString("play a"), kMciOk);
  ASSERT_EQ(SendMciString("play b"), kMciOk);
  auto s = Render(30000);
  // 30000 + 30000 clips at the top instead of wrapping round.
  EXPECT_EQ(s[0], 32767);
  EXPECT_EQ(s[2 * 22049], 32767);
  EXPECT_EQ(s[2 * 22050 + 1], 30000);  // the slow sound has ended after 22050 frames
  ASSERT_EQ(SendMciString("stop b wait"), kMciOk);
  ASSERT_EQ(SendMciString("seek b to start wait"), kMciOk);
  ASSERT_EQ(SendMciString("play b"), kMciOk);
  ASSERT_EQ(SendMciString("play c"), kMciOk);
  EXPECT_EQ(Rms(Render(1000), 0, 1000), 0.0);  // equal and opposite cancel exactly
  // Two negative full-scale sounds clip at the bottom.
  ASSERT_EQ(SendMciString("close b wait"), kMciOk);
  std::string neg2 = File("neg2.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, -30000)));
  ASSERT_EQ(SendMciString("open \"" + neg2 + "\" type WaveAudio alias d wait"), kMciOk);
  ASSERT_EQ(SendMciString("play d"), kMciOk);
  EXPECT_EQ(Render(10)[0], -32768);
}

TEST_F(Mci, MissingAndMalformedFilesGiveAnErrorAndSilence) {
  const Bytes goodWav = SineWav(44100, 1, 0.2);
  const Bytes goodMid = ChordMidi(2);
  Bytes wavBadSize = goodWav;
  wavBadSize[40] = 0xFF;  // data chunk size beyond the file
  Bytes wavCut(goodWav.begin(), goodWav.begin() + goodWav.size() / 2);
  Bytes wavBadFmt = goodWav;
  wavBadFmt[20] = 0x55;   // format tag 0x55: compressed
  Bytes midCut(goodMid.begin(), goodMid.begin() + goodMid.size() - 5);
  Bytes midBadHeader = goodMid;
  midBadHeader[1] = 'X';
  Bytes midBadTrack = goodMid;
  midBadTrack[18] = 0x7F;  // track length beyond the file

  struct Case {
    std::string name;
    Bytes bytes;
    bool sequencer;
  };
  std::vector<Case> cases = {
      {"cut.wav", wavCut, false},        {"size.wav", wavBadSize, false},
      {"fmt.wav", wavBadFmt, false},     {"empty.wav", {}, false},
      {"cut.mid", midCut, true},         {"header.mid", midBadHeader, true},
      {"track.mid", midBadTrack, true},  {"empty.mid", {}, true},
      {"wave-as.mid", goodWav, true},    {"midi-as.wav", goodMid, false},
  };
  for (const Case& c : cases) {
    std::string path = File(c.name, c.bytes);
    std::string type = c.sequencer ? "Sequencer" : "WaveAudio";
    EXPECT_EQ(SendMciString("open \"" + path + "\" type " + type + " alias x wait"), kMciErrInvalidFile)
        << c.name;
    EXPECT_EQ(SendMciString("play x"), kMciErrInvalidDeviceName) << c.name;
  }
  EXPECT_EQ(SendMciString("open \"" + dir + "/none.mid\" type Sequencer alias x wait"), kMciErrFileNotFound);
  EXPECT_EQ(SendMciString("open \"" + dir + "/none.wav\" type WaveAudio alias x wait"), kMciErrFileNotFound);
  EXPECT_EQ(SendMciString("open \"" + dir + "\" type WaveAudio alias x wait"), kMciErrFileNotFound);  // a folder
  EXPECT_EQ(MixerDeviceCount(), 0);
  EXPECT_EQ(Rms(Render(4410), 0, 4410), 0.0);
}

TEST_F(Mci, MissingSoundfontRefusesSequencerButNotWave) {
  SetSoundFontPath(dir + "/no-such.sf2");
  std::string mid = File("a.mid", ChordMidi(2));
  std::string wav = File("a.wav", SineWav(44100, 1, 0.1));
  EXPECT_EQ(SendMciString("open \"" + mid + "\" type Sequencer alias m wait"), kMciErrCannotLoadDriver);
  EXPECT_EQ(SendMciString("open \"" + wav + "\" type WaveAudio alias w wait"), kMciOk);
  // A soundfont file that is not one.
  std::string junk = File("junk.sf2", Bytes(1000, 0x42));
  SetSoundFontPath(junk);
  EXPECT_EQ(SendMciString("open \"" + mid + "\" type Sequencer alias m wait"), kMciErrCannotLoadDriver);
  SetSoundFontPath(kDefaultSoundFont);
  EXPECT_EQ(SendMciString("open \"" + mid + "\" type Sequencer alias m wait"), kMciOk);
}

TEST_F(Mci, SequencerPlaysMusicDeterministicallyAndStopsIt) {
  std::string mid = File("chords.mid", ChordMidi(4));  // 2 seconds
  // The same commands on a fresh synthesiser render the same samples.
  auto firstSecond = [&] {
    ShutdownAudio();
    InitAudio();
    EXPECT_EQ(SendMciString("open \"" + mid + "\" type Sequencer alias m wait"), kMciOk);
    EXPECT_EQ(SendMciString("play m"), kMciOk);
    return Render(44100);
  };
  auto first = firstSecond();
  EXPECT_GT(Rms(first, 0, 44100), 1000.0);
  EXPECT_EQ(firstSecond(), first);

  // Stop fades the music out over 30 ms, then there is silence.
  ASSERT_EQ(SendMciString("stop m wait"), kMciOk);
  EXPECT_FALSE(MixerDevicePlaying("m"));
  auto fade = Render(1323);
  EXPECT_GT(Rms(fade, 0, 100), 300.0);
  EXPECT_LT(Rms(fade, 1223, 1323), Rms(fade, 0, 100) / 10);
  EXPECT_EQ(Rms(Render(44100), 0, 44100), 0.0);

  // From the start again it plays to its end and stops by itself there.
  ASSERT_EQ(SendMciString("seek m to start wait"), kMciOk);
  ASSERT_EQ(SendMciString("play m"), kMciOk);
  Render(2 * 44100 - 1000);
  EXPECT_TRUE(MixerDevicePlaying("m"));
  Render(2000);
  EXPECT_FALSE(MixerDevicePlaying("m"));
  ASSERT_EQ(SendMciString("close m wait"), kMciOk);
}

TEST_F(Mci, StartingOneSequencerStopsTheOther) {
  std::string a = File("a.mid", ChordMidi(20));
  std::string b = File("b.mid", ChordMidi(20));
  ASSERT_EQ(SendMciString("open \"" + a + "\" type Sequencer alias a wait"), kMciOk);
  ASSERT_EQ(SendMciString("open \"" + b + "\" type Sequencer alias b wait"), kMciOk);
  ASSERT_EQ(SendMciString("play a"), kMciOk);
  Render(4410);
  ASSERT_EQ(SendMciString("play b"), kMciOk);
  EXPECT_FALSE(MixerDevicePlaying("a"));
  EXPECT_TRUE(MixerDevicePlaying("b"));
  EXPECT_GT(Rms(Render(22050), 0, 22050), 1000.0);
  // Closing the playing one silences the synthesiser.
  ASSERT_EQ(SendMciString("close b wait"), kMciOk);
  auto s = Render(44100);
  EXPECT_EQ(Rms(s, 1323, 44100), 0.0);
  EXPECT_FALSE(MixerDevicePlaying("a"));
}

TEST_F(Mci, APieceStartsFromSilenceAfterAnotherWasStopped) {
  std::string a = File("a.mid", ChordMidi(20));
  std::string b = File("b.mid", ChordMidi(20));
  ASSERT_EQ(SendMciString("open \"" + a + "\" type Sequencer alias a wait"), kMciOk);
  ASSERT_EQ(SendMciString("open \"" + b + "\" type Sequencer alias b wait"), kMciOk);
  for (int gap : {0, 1000, 2003}) {  // frames rendered between stop and play
    ASSERT_EQ(SendMciString("seek a to start wait"), kMciOk);
    ASSERT_EQ(SendMciString("play a"), kMciOk);
    Render(22050 + gap);
    ASSERT_EQ(SendMciString("stop a wait"), kMciOk);
    Render(gap);
    ASSERT_EQ(SendMciString("seek b to start wait"), kMciOk);
    ASSERT_EQ(SendMciString("play b"), kMciOk);
    // None of the first piece's notes come before the second piece's first
    // chord, which sounds within a few milliseconds: at most the tail of the
    // reverb, 36 dB down when the pieces follow at once, 50 dB once the first
    // has faded out.
    auto s = Render(4410);
    size_t onset = 0;
    while (onset < 4410 && std::abs(s[2 * onset]) <= 512 && std::abs(s[2 * onset + 1]) <= 512) ++onset;
    EXPECT_LT(onset, 441u) << "gap " << gap;
    EXPECT_LT(Rms(s, 0, onset), gap == 0 ? 512.0 : 100.0) << "gap " << gap;
    ASSERT_EQ(SendMciString("stop b wait"), kMciOk);
  }
}

TEST_F(Mci, PlayWaitReturnsWhenTheSoundHasPlayed) {
  // The sim renders the stream as its clock runs; capture it.
  std::vector<int16_t> heard;
  sim::detail::SetAudioSink([&](const int16_t* s, int frames) { heard.insert(heard.end(), s, s + 2 * frames); });
  std::string wav = File("half.wav", SineWav(22050, 2, 0.5));
  std::string mid = File("one.mid", ChordMidi(2));  // 1 second
  ASSERT_EQ(SendMciString("open \"" + wav + "\" type WaveAudio alias w wait"), kMciOk);
  ASSERT_EQ(SendMciString("open \"" + mid + "\" type Sequencer alias m wait"), kMciOk);

  uint64_t t0 = sim::Now();
  ASSERT_EQ(SendMciString("play w wait"), kMciOk);
  uint64_t waited = sim::Now() - t0;
  EXPECT_GE(waited, 500u);
  EXPECT_LE(waited, 520u);
  EXPECT_GT(Rms(heard, 0, 22050), 5000.0);

  t0 = sim::Now();
  ASSERT_EQ(SendMciString("play m wait"), kMciOk);
  waited = sim::Now() - t0;
  EXPECT_GE(waited, 1000u);
  EXPECT_LE(waited, 1100u);

  // At its end, a play with wait returns at once.
  t0 = sim::Now();
  ASSERT_EQ(SendMciString("play w wait"), kMciOk);
  EXPECT_EQ(sim::Now(), t0);
}

}  // namespace
