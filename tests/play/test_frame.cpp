// The frame on the paths a scripted game does not take: pause, the order of
// the end tests, a lost game through the HUD and the frame, the regulator's
// edges, odd values on the HUD, and a rage burst with no measured rate.
#include "flow/keys.h"
#include "frame/frame.h"
#include "frame/hud.h"
#include "frame/rage.h"
#include "frame/regulator.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

using FrameTest = PlayTest;

namespace {
int Count(uint32_t rgb, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += Pixel(x, y) == rgb;
  return n;
}
}  // namespace

TEST_F(FrameTest, PauseRequestFreezesAfterOneMoreFrame) {
  OnKeyDown('P'), OnKeyDown('P');  // a second press falls on the request and is ignored
  EXPECT_EQ(gs.pauseState, 240);
  gs.scrollY = 10;
  EXPECT_EQ(PlayLoopIteration(), PlayEnd::kNone);
  EXPECT_EQ(std::tie(gs.scrollY, gs.pauseState, gs.frameCount), std::make_tuple(13, 1, -1));
  EXPECT_GT(Count(0xFFFF00, 0, 100, 320, 140), 20) << "P A U S E over the frozen frame";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PlayLoopIteration(), PlayEnd::kNone);
  EXPECT_EQ(std::tie(gs.scrollY, gs.frameCount), std::make_tuple(13, -1));  // frozen
  // Losing activation while paused requests again: one frame, then paused.
  EXPECT_EQ((OnActivate(0), gs.pauseState), 240);
  PlayLoopIteration();
  EXPECT_EQ(std::tie(gs.scrollY, gs.pauseState), std::make_tuple(16, 1));
  EXPECT_EQ((OnKeyDown('P'), gs.pauseState), 0);  // resumes
  PlayLoopIteration();
  EXPECT_EQ(std::tie(gs.scrollY, gs.pauseState, gs.frameCount), std::make_tuple(19, 0, 0));
}

TEST_F(FrameTest, EndTestsHoldInTheirOrder) {
  struct Step { int quit, shipState, quota, bossState; PlayEnd end; } steps[] = {  // the fourth: the boss explodes
      {0, 1, 255, 0, PlayEnd::kNone}, {1, 1, 255, 0, PlayEnd::kAbandoned}, {1, 0, 255, 0, PlayEnd::kLost},
      {1, 0, 0, 240, PlayEnd::kLost}, {1, 0, 0, 0, PlayEnd::kWon}, {1, 0, 1, 0, PlayEnd::kLost}};
  for (const Step& s : steps) {
    std::tie(gs.quitRequested, chr[0].state, gs.quota, chr[1].state) = std::make_tuple(s.quit, s.shipState, s.quota, s.bossState);
    EXPECT_EQ(EndTest(), s.end) << s.quit << " " << s.shipState << " " << s.quota << " " << s.bossState;
  }
}

// The HUD starts the death once (the score shown in full, the keys locked,
// no life bar), the explosion runs 50 frames, the ship is gone on the 51st.
TEST_F(FrameTest, ShipDeathRunsThroughTheHudAndTheFrameToALostGame) {
  gs.score = 1234;
  chr[0].hp = 0;
  DrawHud();
  EXPECT_EQ(std::tie(chr[0].state, chr[0].anim, gs.inputLocked, gs.shownScore), std::make_tuple(240, 10.0, 1, 1234));
  EXPECT_EQ(Pixel(50, 232), 0x808080u);
  chr[0].anim = 23;
  gs.score = 2000;
  DrawHud();  // not restarted; the roll-up goes on
  EXPECT_EQ(std::tie(chr[0].state, chr[0].anim, gs.shownScore), std::make_tuple(240, 23.0, 1244));
  StartTestGame();
  chr[0].hp = 0;
  PlayEnd end = PlayEnd::kNone;
  int frames = 0;
  for (; end == PlayEnd::kNone && frames < 100; ++frames) end = PlayLoopIteration();
  EXPECT_EQ(std::tie(end, frames, gs.inputLocked), std::make_tuple(PlayEnd::kLost, 51, 1));
}

// Yellow below full, red from 30 down; the bar ends one column per half point.
TEST_F(FrameTest, LifeBarColourFollowsTheHitPoints) {
  struct Case {
    int hp, lastX;
    uint32_t colour;
  } cases[] = {{31, 111, 0xFFFF00}, {30, 109, 0xFF0000}, {1, 51, 0xFF0000}};
  gs.fireMode = 7;  // any other fire mode draws no mode text
  for (const Case& c : cases) {
    chr[0].hp = c.hp;
    DrawHud();
    EXPECT_EQ(std::make_tuple(Pixel(50, 232), Pixel(c.lastX, 232), Pixel(c.lastX + 1, 232)),
              std::make_tuple(c.colour, c.colour, 0x808080u)) << c.hp;
    EXPECT_EQ(Count(0, 190, 5, 320, 18), 130 * 13);
  }
}

// {shown, score, step} at each edge; the widest gap does not overflow.
TEST_F(FrameTest, ScoreRollStepAtItsEdges) {
  const int cases[][3] = {{0, 10001, 1000}, {0, 10000, 100}, {0, 1001, 100}, {0, 101, 10},
                          {0, 100, 1}, {5, 5, 0}, {9, 5, 0}, {INT32_MIN, INT32_MAX, 1000}};
  for (const auto& c : cases) EXPECT_EQ(ScoreRollStep(c[0], c[1]), c[2]) << c[0] << " to " << c[1];
}

// No change within 10 % of the target; never below 0; no measure from an
// empty or negative count.
TEST_F(FrameTest, RegulatorKeepsItsDeadBandAndClamps) {
  const int cases[][4] = {{30, 10, 5, 5}, {30, 5, 5, 5}, {30, 11, 5, 6}, {30, 4, 5, 4}, {30, 4, 0, 0}, {30, 0, 5, 5}, {30, -1, 5, 5}, {1000, 100, 1, 0}};
  for (const auto& [target, frames, before, after] : cases) {
    std::tie(gs.targetFps, gs.frameCount, gs.frameDelay, gs.measuredFps) = std::make_tuple(target, frames, before, 99);
    RegulatorTick();
    EXPECT_EQ(std::pair(int(gs.frameDelay), int(gs.measuredFps)), std::pair(after, frames >= 1 ? frames * 4 : 99)) << target << " " << frames;
  }
}

TEST_F(FrameTest, RageBurstWithNoMeasuredRateHasNoOverlayAndNoCooldown) {
  gs.measuredFps = 0, gs.grazeGauge = 10, PlaceEnemy(3, 3, 200, 100).hp = 70, PlaceShot(5, 3, 100, 150, 0, 5, 6);
  UpdateRage();
  EXPECT_EQ(std::tie(gs.rageTimer, chr[3].hp, chr[3].cooldown, sht[5].kind, gs.score), std::make_tuple(0.0, 20, 0, 0, 100));
  UpdateRage();
  EXPECT_EQ(std::tie(gs.rageTimer, gs.score), std::make_tuple(0.0, 100));
}
