// The MCI command strings and the mixer behind them: what plays, what is silent, which error each bad command or file gives.
#include <gtest/gtest.h>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "platform/audio/mci.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "platform/audio/prerendered.h"
#include "tests/audio/sound_files.h"
#include "tools/assetkit/ogg.h"

using namespace soundfiles;
using namespace platform;

namespace {

class Mci : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(), TearDown(), dir = ScratchDir("mci"); }
  void TearDown() override { ShutdownAudio(), SetSoundFontPath(kDefaultSoundFont), SetPrerenderedMusic(false), SetAudioVoiced(true); }
  std::string File(const std::string& name, const Bytes& bytes) { return WriteFile(dir + "/" + name, bytes), dir + "/" + name; }
  uint32_t Open(const std::string& alias, const std::string& name, const Bytes& bytes) { return OpenPath(alias, File(name, bytes), name.ends_with(".mid")); }
  static uint32_t OpenPath(const std::string& alias, const std::string& path, bool seq) { return SendMciString("open \"" + path + "\" type " + (seq ? "Sequencer" : "WaveAudio") + " alias " + alias + " wait"); }
  static void Do(std::initializer_list<std::string> commands) { for (const std::string& c : commands) ASSERT_EQ(SendMciString(c), kMciOk) << c; }
  static std::vector<int16_t> Render(int frames) { std::vector<int16_t> s(size_t(frames) * 2, 0x5555); return RenderAudio(s.data(), frames), s; }
  static double RenderRms(int frames) { return Rms(Render(frames), 0, frames); }
  std::string dir;
};

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
  MciCommand c;
  for (auto [text, code] : cases) EXPECT_EQ(ParseMciCommand(text, c), code) << text;
  EXPECT_EQ(SendMciString("pause sa1"), kMciErrUnrecognizedCommand);
  for (const char* text : {"play nobody", "play nobody wait", "stop nobody wait", "seek nobody to start wait", "close nobody wait"})
    EXPECT_EQ(SendMciString(text), kMciErrInvalidDeviceName) << text;
  EXPECT_EQ(std::pair(MixerDeviceCount(), sim::Now()), std::pair(0, uint64_t{0}));  // no device, nothing waited
}

TEST_F(Mci, WaveDevicesPlayStopResumeRewindResampleAndSaturate) {
  const Bytes flat = Wav16(44100, 2, std::vector<int16_t>(4410 * 2, 10000));  // 0.1 s at the output rate
  ASSERT_EQ(Open("W", "flat.wav", flat), kMciOk);
  EXPECT_EQ(Open("w", "flat.wav", flat), kMciErrDuplicateAlias);  // aliases ignore case
  EXPECT_EQ(Render(100), std::vector<int16_t>(200, 0));  // opened, not playing: the whole buffer silent
  Do({"play w"});
  EXPECT_EQ(Render(1000), std::vector<int16_t>(2000, 10000));
  Do({"stop w wait"});  // keeps the place; play goes on to the end (1000 + 3410 frames)
  EXPECT_EQ(Render(500), std::vector<int16_t>(1000, 0));
  Do({"play w"});
  const auto s = Render(4000);
  EXPECT_EQ(std::pair(Rms(s, 0, 3410), Rms(s, 3410, 4000)), std::pair(10000.0, 0.0));
  Do({"play w"});  // at its end a play does nothing, until sought to the start
  EXPECT_FALSE(MixerDevicePlaying("w"));
  ASSERT_EQ(Open("a", "slow.wav", Wav16(22050, 1, std::vector<int16_t>(11025, 30000))), kMciOk);  // 0.5 s
  ASSERT_EQ(Open("b", "loud.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, 30000))), kMciOk);
  ASSERT_EQ(Open("c", "neg.wav", Wav16(44100, 2, std::vector<int16_t>(44100 * 2, -30000))), kMciOk);
  Do({"seek w to start wait", "play w"});
  EXPECT_EQ(RenderRms(4410), 10000.0);
  Do({"close w wait", "play a", "play b"});
  const auto mixed = Render(30000);
  EXPECT_EQ(std::make_tuple(mixed[0], mixed[2 * 22049], mixed[2 * 22050 + 1]), std::make_tuple(32767, 32767, 30000));  // clipped, not wrapped; the slow one ends at 22050
  Do({"stop b wait", "seek a to start wait", "play a"});  // alone: its last frame, half-way on, leans towards nothing
  const auto alone = Render(22051);
  EXPECT_EQ(std::make_pair(alone[2 * 22049], alone[2 * 22050]), std::make_pair(int16_t(30000), int16_t(0)));
  Do({"seek b to start wait", "play b", "play c"});
  EXPECT_EQ(RenderRms(1000), 0.0);  // equal and opposite cancel exactly
  Do({"close b wait"});
  ASSERT_EQ(Open("d", "neg2.wav", Wav16(44100, 2, std::vector<int16_t>(100, -30000))), kMciOk);
  Do({"play d"});
  EXPECT_EQ(Render(10)[0], -32768);  // and clip at the bottom
  EXPECT_EQ(SendMciString("play w"), kMciErrInvalidDeviceName);
}

// One synthesiser: a piece started stops the one playing; a piece at its end plays again only once sought to
// the start, and a play of it before that leaves the other playing. Each step: short and long playing.
TEST_F(Mci, SequencersTakeTurnsOnTheOneSynthesiser) {
  ASSERT_EQ(Open("short", "short.mid", ChordMidi(1)) + Open("long", "long.mid", ChordMidi(8)), kMciOk);
  std::string got;
  for (const char* c : {"play short", "", "play long", "play short", "seek short to start wait", "play short", "play long"}) {
    if (*c) Do({c}); else Render(44100);  // a second: past the short one's half-second chord
    got += std::to_string(MixerDevicePlaying("short")) + std::to_string(MixerDevicePlaying("long")) + " ";
  }
  EXPECT_TRUE(got == "10 00 01 01 01 10 01 " && RenderRms(4410) > 500.0) << got;  // and the long one is heard
}

TEST_F(Mci, MissingAndMalformedFilesGiveAnErrorAndSilence) {
  const Bytes wav = SineWav(44100, 1, 0.2), mid = ChordMidi(2);
  const std::pair<const char*, Bytes> cases[] = {
      {"cut.wav", Bytes(wav.begin(), wav.begin() + wav.size() / 2)},
      {"empty.wav", {}},
      {"cut.mid", Bytes(mid.begin(), mid.end() - 5)},
      {"empty.mid", {}},
      {"wave-as.mid", wav},
      {"midi-as.wav", mid},
  };
  for (const auto& [name, bytes] : cases) EXPECT_EQ((std::pair<uint32_t, uint32_t>{Open("x", name, bytes), SendMciString("play x")}), (std::pair<uint32_t, uint32_t>(kMciErrInvalidFile, kMciErrInvalidDeviceName))) << name;
  for (const auto& [path, seq] : {std::pair(dir + "/none.mid", true), std::pair(dir + "/none.wav", false), std::pair(dir, false)})
    EXPECT_EQ(OpenPath("x", path, seq), kMciErrFileNotFound) << path;  // missing files, and a folder
  // Up to 256 MiB a file is read (this one is no sound); past that it is too large to hold.
  for (const auto& [size, code] : {std::pair(uintmax_t{256} << 20, kMciErrInvalidFile), std::pair((uintmax_t{256} << 20) + 1, kMciErrOutOfMemory)}) {
    std::filesystem::resize_file(File("big.wav", {}), size);
    EXPECT_EQ(OpenPath("x", dir + "/big.wav", false), code) << size;
  }
  EXPECT_EQ(std::pair(MixerDeviceCount(), RenderRms(4410)), std::pair(0, 0.0));
  // Without a sound font (none there, or a file that is not one) only the sequencer is refused.
  for (const std::string& font : {dir + "/no-such.sf2", File("junk.sf2", Bytes(1000, 0x42))}) {
    SetSoundFontPath(font);
    EXPECT_EQ(Open("m", "a.mid", mid), kMciErrCannotLoadDriver) << font;
  }
  EXPECT_EQ(Open("w", "a.wav", SineWav(44100, 1, 0.1)), kMciOk);
  SetSoundFontPath(kDefaultSoundFont);
  EXPECT_EQ(Open("m", "a.mid", mid), kMciOk);
}

// A stereo sound at half the output rate: each channel leans half-way towards its own next sample, the last frame
// stands as it is, and the mix that reaches the sound's end ends it.
TEST_F(Mci, AResampledStereoSoundKeepsItsChannelsApartAndEndsWithTheMixThatReachesItsEnd) {
  ASSERT_EQ(Open("s", "s.wav", Wav16(22050, 2, {0, 1000, 2000, 3000, 4000, 5000})), kMciOk);
  Do({"play s"});
  EXPECT_EQ(Render(6), (std::vector<int16_t>{0, 1000, 1000, 2000, 2000, 3000, 3000, 4000, 4000, 5000, 4000, 5000}));
  EXPECT_FALSE(MixerDevicePlaying("s"));
}

// Without a synthesiser a piece plays from its recording beside it: from
// its start or where it stopped, ending where the MIDI file ends while the
// recording's ringing notes sound on; voiced or not, with the same timing.
TEST_F(Mci, PiecesPlayFromTheirRecordingsAndEndWhereTheMidiFileEnds) {
  SetPrerenderedMusic(true);
  std::vector<int16_t> tone;  // 1.5 s: the piece's second (two quarters) and the notes ringing out
  for (int i = 0; i < 66150; ++i) tone.insert(tone.end(), 2, int16_t(std::lround(12000 * std::sin(i * 0.0627))));
  Bytes ogg, mono;
  ASSERT_TRUE(assetkit::EncodeOggVorbis(tone, 44100, 0.4f, ogg));
  File("piece.ogg", ogg);
  ASSERT_EQ(Open("m", "piece.mid", ChordMidi(2)), kMciOk);
  auto framesToEnd = [](int most) { int n = 0; while (MixerDevicePlaying("m") && n < most) Render(441), n += 441; return n; };
  Do({"play m"});
  EXPECT_NEAR(RenderRms(22050), 8485, 200);  // the recording, as loud as it was made
  EXPECT_NEAR(framesToEnd(44100), 22050, 441);
  EXPECT_NEAR(RenderRms(4410), 8485, 200) << "the notes ring on after the end";
  Do({"play m"});  // at its end a play does nothing, until sought to the start
  EXPECT_FALSE(MixerDevicePlaying("m"));
  Do({"seek m to start wait", "play m"});
  Render(11025);
  Do({"stop m wait"});
  EXPECT_EQ(Rms(Render(4410), 1323, 4410), 0.0) << "faded out in 30 ms, then silent";
  Do({"play m"});  // from where it stopped
  EXPECT_NEAR(framesToEnd(44100), 33075, 441);
  SetAudioVoiced(false);
  Do({"seek m to start wait", "play m"});
  EXPECT_EQ(RenderRms(4410), 0.0);
  EXPECT_NEAR(framesToEnd(44100), 39690, 441) << "unvoiced: the same end";
  // A piece without its recording, or with a broken or unplayable one, is refused.
  Bytes silent;  // a recording of nothing at all
  ASSERT_TRUE(assetkit::EncodeOggVorbis(tone, 22050, 0.4f, mono) && assetkit::EncodeOggVorbis({}, 44100, 0.4f, silent));
  const std::pair<const char*, uint32_t> recordings[] = {
      {"", kMciErrFileNotFound}, {"junk", kMciErrInvalidFile}, {"22k", kMciErrInvalidFile}, {"none", kMciErrInvalidFile}};
  for (const auto& [what, code] : recordings) {
    const std::string name = std::string("r") + what;
    if (*what) File(name + ".ogg", *what == 'j' ? Bytes(ogg.begin(), ogg.begin() + 200) : *what == 'n' ? silent : mono);
    EXPECT_EQ(Open(name, name + ".mid", ChordMidi(2)), code) << what;
  }
  PrerenderedMusic player;  // handed bytes that are no recording (not as checked at open): refused, silent
  EXPECT_TRUE(!player.Start(Bytes(ogg.begin(), ogg.begin() + 200), 0) && !player.Playing() && !player.Sounding());
  const std::pair<const char*, const char*> paths[] = {{"bgm/a.mid", "bgm/a.ogg"}, {"B.MID", "B.ogg"}, {"a.midi", "a.midi.ogg"}, {"d.x/f", "d.x/f.ogg"}};
  for (auto [mid, rec] : paths) EXPECT_EQ(RecordingPathFor(mid), rec);
}

}  // namespace
