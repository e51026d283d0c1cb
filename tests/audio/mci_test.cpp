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
    TearDown();
    dir = ScratchDir("mci");
  }
  void TearDown() override {
    ShutdownAudio();
    SetSoundFontPath(kDefaultSoundFont);
  }
  std::string File(const std::string& name, const Bytes& bytes) {
    WriteFile(dir + "/" + name, bytes);
    return dir + "/" + name;
  }
  // Opens a file written under this name as a sequencer (.mid) or wave device.
  uint32_t Open(const std::string& alias, const std::string& name, const Bytes& bytes) {
    return OpenPath(alias, File(name, bytes), name.ends_with(".mid"));
  }
  static uint32_t OpenPath(const std::string& alias, const std::string& path, bool sequencer) {
    return SendMciString("open \"" + path + "\" type " + (sequencer ? "Sequencer" : "WaveAudio") + " alias " + alias + " wait");
  }
  // Sends each command; all must succeed.
  static void Do(std::initializer_list<std::string> commands) {
    for (const std::string& c : commands) ASSERT_EQ(SendMciString(c), kMciOk) << c;
  }
  static std::vector<int16_t> Render(int frames) {
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2, 0x5555);
    RenderAudio(s.data(), frames);
    return s;
  }
  static double RenderRms(int frames) { return Rms(Render(frames), 0, frames); }
  std::string dir;
};

// The game's own strings are heard in the golden course; here the forms it
// never sends: a quoted path with blanks, any case, extra blanks.
TEST_F(Mci, ParsesQuotedPathsAnyCaseAndExtraBlanks) {
  struct Row { const char* text; const char* file; const char* alias; bool sequencer, wait; };
  const Row rows[] = {{"open \"my sounds/hit 1.wav\" type WaveAudio alias sa10 wait", "my sounds/hit 1.wav", "sa10", false, true},
                      {"  OPEN   x.WAV  TYPE waveaudio  ALIAS Snd ", "x.WAV", "Snd", false, false},
                      {"open y.mid type SEQUENCER alias m", "y.mid", "m", true, false}};
  for (const Row& r : rows) {
    MciCommand c;
    ASSERT_EQ(ParseMciCommand(r.text, c), kMciOk) << r.text;
    EXPECT_EQ(c.verb, MciCommand::kOpen) << r.text;
    EXPECT_EQ(std::make_tuple(c.file, c.alias, c.sequencer, c.wait),
              std::make_tuple(std::string(r.file), std::string(r.alias), r.sequencer, r.wait)) << r.text;
  }
}

TEST_F(Mci, BadCommandsAndAbsentDevicesGiveTheirErrorCodesAndChangeNothing) {
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
  for (auto [text, code] : cases) {
    MciCommand c;
    EXPECT_EQ(ParseMciCommand(text, c), code) << text;
  }
  EXPECT_EQ(SendMciString("pause sa1"), kMciErrUnrecognizedCommand);
  for (const char* text : {"play nobody", "play nobody wait", "stop nobody wait", "seek nobody to start wait", "close nobody wait"})
    EXPECT_EQ(SendMciString(text), kMciErrInvalidDeviceName) << text;
  EXPECT_EQ(MixerDeviceCount(), 0);
  EXPECT_EQ(sim::Now(), 0u);  // nothing waited
}

TEST_F(Mci, WaveDevicePlaysStopsResumesAndRewinds) {
  const Bytes flat = Wav16(44100, 2, std::vector<int16_t>(4410 * 2, 10000));  // 0.1 s at the output rate
  ASSERT_EQ(Open("W", "flat.wav", flat), kMciOk);
  EXPECT_EQ(MixerDeviceCount(), 1);
  EXPECT_EQ(Open("w", "flat.wav", flat), kMciErrDuplicateAlias);  // aliases ignore case
  EXPECT_EQ(Render(100), std::vector<int16_t>(200, 0));  // opened, not playing: the whole buffer silent
  Do({"play w"});
  EXPECT_TRUE(MixerDevicePlaying("W"));
  EXPECT_EQ(Render(1000), std::vector<int16_t>(2000, 10000));
  // Stop keeps the place; play goes on from it to the end (1000 + 3410 frames).
  Do({"stop w wait"});
  EXPECT_EQ(Render(500), std::vector<int16_t>(1000, 0));
  Do({"play w"});
  const auto s = Render(4000);
  EXPECT_EQ(Rms(s, 0, 3410), 10000.0);
  EXPECT_EQ(Rms(s, 3410, 4000), 0.0);
  EXPECT_FALSE(MixerDevicePlaying("w"));
  // At its end a play does nothing, until the device is sought to the start.
  Do({"play w"});
  EXPECT_FALSE(MixerDevicePlaying("w"));
  Do({"seek w to start wait", "play w"});
  EXPECT_EQ(RenderRms(4410), 10000.0);
  Do({"close w wait"});
  EXPECT_EQ(MixerDeviceCount(), 0);
  EXPECT_EQ(SendMciString("play w"), kMciErrInvalidDeviceName);
}

TEST_F(Mci, WaveRatesAreResampledAndSoundsMixWithSaturation) {
  ASSERT_EQ(Open("a", "slow.wav", Wav16(22050, 1, std::vector<int16_t>(11025, 30000))), kMciOk);  // 0.5 s
  ASSERT_EQ(Open("b", "loud.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, 30000))), kMciOk);
  const Bytes neg = Wav16(44100, 2, std::vector<int16_t>(44100 * 2, -30000));
  ASSERT_EQ(Open("c", "neg.wav", neg), kMciOk);
  Do({"play a", "play b"});
  const auto s = Render(30000);
  EXPECT_EQ(s[0], 32767);  // clips at the top instead of wrapping round
  EXPECT_EQ(s[2 * 22049], 32767);
  EXPECT_EQ(s[2 * 22050 + 1], 30000);  // the slow sound has ended after 22050 frames
  Do({"stop b wait", "seek b to start wait", "play b", "play c"});
  EXPECT_EQ(RenderRms(1000), 0.0);  // equal and opposite cancel exactly
  Do({"close b wait"});
  ASSERT_EQ(Open("d", "neg2.wav", neg), kMciOk);
  Do({"play d"});
  EXPECT_EQ(Render(10)[0], -32768);  // and clip at the bottom
}

TEST_F(Mci, MissingAndMalformedFilesGiveAnErrorAndSilence) {
  const Bytes wav = SineWav(44100, 1, 0.2), mid = ChordMidi(2);
  auto with = [](Bytes b, size_t at, uint8_t v) { return b[at] = v, b; };
  const std::pair<const char*, Bytes> cases[] = {
      {"cut.wav", Bytes(wav.begin(), wav.begin() + wav.size() / 2)},
      {"size.wav", with(wav, 40, 0xFF)},  // data chunk size beyond the file
      {"fmt.wav", with(wav, 20, 0x55)},   // format tag 0x55: compressed
      {"empty.wav", {}},
      {"cut.mid", Bytes(mid.begin(), mid.end() - 5)},
      {"header.mid", with(mid, 1, 'X')},
      {"track.mid", with(mid, 18, 0x7F)},  // track length beyond the file
      {"empty.mid", {}},
      {"wave-as.mid", wav},
      {"midi-as.wav", mid},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(Open("x", name, bytes), kMciErrInvalidFile) << name;
    EXPECT_EQ(SendMciString("play x"), kMciErrInvalidDeviceName) << name;
  }
  EXPECT_EQ(OpenPath("x", dir + "/none.mid", true), kMciErrFileNotFound);
  EXPECT_EQ(OpenPath("x", dir + "/none.wav", false), kMciErrFileNotFound);
  EXPECT_EQ(OpenPath("x", dir, false), kMciErrFileNotFound);  // a folder
  EXPECT_EQ(MixerDeviceCount(), 0);
  EXPECT_EQ(RenderRms(4410), 0.0);
  // Without a sound font (none there, or a file that is not one) only the
  // sequencer is refused.
  for (const std::string& font : {dir + "/no-such.sf2", File("junk.sf2", Bytes(1000, 0x42))}) {
    SetSoundFontPath(font);
    EXPECT_EQ(Open("m", "a.mid", mid), kMciErrCannotLoadDriver) << font;
  }
  EXPECT_EQ(Open("w", "a.wav", SineWav(44100, 1, 0.1)), kMciOk);
  SetSoundFontPath(kDefaultSoundFont);
  EXPECT_EQ(Open("m", "a.mid", mid), kMciOk);
}

// The title music heard, stopped and silent is the game music test's, the
// same samples twice the scenario test's; here the fade and the end.
TEST_F(Mci, SequencerFadesOutOnStopAndStopsByItselfAtItsEnd) {
  ASSERT_EQ(Open("m", "chords.mid", ChordMidi(4)), kMciOk);  // 2 seconds
  Do({"play m"});
  EXPECT_GT(RenderRms(44100), 1000.0);
  // Stop fades the music out over 30 ms, then there is silence.
  Do({"stop m wait"});
  EXPECT_FALSE(MixerDevicePlaying("m"));
  const auto fade = Render(1323);
  EXPECT_GT(Rms(fade, 0, 100), 300.0);
  EXPECT_LT(Rms(fade, 1223, 1323), Rms(fade, 0, 100) / 10);
  EXPECT_EQ(RenderRms(44100), 0.0);
  // From the start again it plays to its end and stops by itself there.
  Do({"seek m to start wait", "play m"});
  Render(2 * 44100 - 1000);
  EXPECT_TRUE(MixerDevicePlaying("m"));
  Render(2000);
  EXPECT_FALSE(MixerDevicePlaying("m"));
  Do({"close m wait"});
}

TEST_F(Mci, OneSequencerAtATimeAndAPieceStartsFromSilenceAfterAnother) {
  ASSERT_EQ(Open("a", "a.mid", ChordMidi(20)), kMciOk);
  ASSERT_EQ(Open("b", "b.mid", ChordMidi(20)), kMciOk);
  for (int gap : {0, 1000, 2003}) {  // frames rendered between stop and play
    Do({"seek a to start wait", "play a"});
    Render(22050 + gap);
    Do({"stop a wait"});
    Render(gap);
    Do({"seek b to start wait", "play b"});
    // None of the first piece's notes come before the second piece's first
    // chord, which sounds within a few milliseconds: at most the tail of the
    // reverb, 36 dB down when the pieces follow at once, 50 dB once faded out.
    const auto s = Render(4410);
    size_t onset = 0;
    while (onset < 4410 && std::abs(s[2 * onset]) <= 512 && std::abs(s[2 * onset + 1]) <= 512) ++onset;
    EXPECT_LT(onset, 441u) << "gap " << gap;
    EXPECT_LT(Rms(s, 0, onset), gap == 0 ? 512.0 : 100.0) << "gap " << gap;
    Do({"stop b wait"});
  }
  // Starting one sequencer stops the other; closing the playing one silences
  // the synthesiser.
  Do({"seek a to start wait", "play a"});
  Render(4410);
  Do({"seek b to start wait", "play b"});
  EXPECT_FALSE(MixerDevicePlaying("a"));
  EXPECT_TRUE(MixerDevicePlaying("b"));
  EXPECT_GT(RenderRms(22050), 1000.0);
  Do({"close b wait"});
  EXPECT_EQ(Rms(Render(44100), 1323, 44100), 0.0);
  EXPECT_FALSE(MixerDevicePlaying("a"));
}

TEST_F(Mci, PlayWaitReturnsWhenTheSoundHasPlayed) {
  std::vector<int16_t> heard;  // the sim renders the stream as its clock runs
  sim::detail::SetAudioSink([&](const int16_t* s, int frames) { heard.insert(heard.end(), s, s + 2 * frames); });
  ASSERT_EQ(Open("w", "half.wav", SineWav(22050, 2, 0.5)), kMciOk);
  ASSERT_EQ(Open("m", "one.mid", ChordMidi(2)), kMciOk);  // 1 second
  struct Row { const char* command; uint64_t least, most; };
  const Row rows[] = {{"play w wait", 500, 520}, {"play m wait", 1000, 1100}, {"play w wait", 0, 0} /* at its end */};
  for (const Row& r : rows) {
    const uint64_t t0 = sim::Now();
    ASSERT_EQ(SendMciString(r.command), kMciOk);
    EXPECT_GE(sim::Now() - t0, r.least) << r.command;
    EXPECT_LE(sim::Now() - t0, r.most) << r.command;
    EXPECT_TRUE(r.least != 500 || Rms(heard, 0, 22050) > 5000.0) << "the half second was heard";
  }
}

}  // namespace
