#include "headless/bot.h"

#include <algorithm>
#include <cmath>

#include "enemies/enemy.h"
#include "entities/tables.h"
#include "platform/platform.h"
#include "state/game_state.h"

namespace {

constexpr int kKeyP = 80;
constexpr int kShipStep = 5;     // pixels per frame on each axis
constexpr int kLowestY = 220;    // the ship's lowest position
constexpr int kHomeY = 210;      // where the bot likes to wait: low, with room to move
constexpr int kLookahead = 8;    // frames looked ahead per candidate move
constexpr int kHitMargin = 2;    // extra pixels kept from anything that hurts
constexpr int kNearBand = 20;    // closer than this beyond the margin costs a little
constexpr double kHitCost = 100000.0;
constexpr double kNearCost = 10.0;

// Something that hurts the ship on contact, moving as the game moves it.
struct Body {
  double x, y, vx, vy, r;
  int kind;  // bullet kind (2 and up), or 0 for an enemy that rams
};

// The bullet kinds that change speed on the way, as the shot step moves them.
void Advance(Body& b) {
  b.x += b.vx;
  b.y += b.vy;
  if (b.kind == 3) {
    if (b.y > 120) b.vy = 20;
    else if (b.y > 96) b.vy = 12;
    else if (b.y > 72) b.vy = 8;
    else if (b.y > 48) b.vy = 4;
    else if (b.y > 24) b.vy = 2;
  } else if (b.kind == 4) {
    const int y = static_cast<int>(b.y);
    if (y == b.y && y >= 33 && y <= 225 && (y - 1) % 32 == 0) b.vx = -b.vx;
  }
}

std::vector<Body> Threats() {
  std::vector<Body> out;
  for (int i = 1; i <= kShotSlots; ++i) {
    const Sht& s = sht[i];
    if (s.kind < 2) continue;
    out.push_back({double(s.x), double(s.y), double(s.vx), double(s.vy), double(s.radius), s.kind});
  }
  // Enemies ram only while the quota runs; the boss never does.
  if (gs.quota > 0) {
    const int slots = EnemySlotCount();
    for (int j = 1; j <= slots; ++j) {
      const Chr& c = chr[j];
      if (c.state < 1 || c.state > 3) continue;
      out.push_back({double(c.x), double(c.y), double(c.vx), double(c.vy), double(c.radius), 0});
    }
  }
  return out;
}

// The x to line up at: under the boss, else under the lowest enemy above the
// ship, else the middle.
int HomeX() {
  const Chr& ship = chr[0];
  const int slots = EnemySlotCount();
  int best = -1;
  int bestY = INT32_MIN;
  for (int j = 1; j <= slots; ++j) {
    const Chr& c = chr[j];
    if (c.state < 1 || c.state > 4) continue;
    if (c.state == 4) {
      best = c.x;
      break;
    }
    if (c.y < ship.y - 20 && c.y > bestY) {
      bestY = c.y;
      best = c.x;
    }
  }
  if (best < 0) best = 160;
  return std::clamp(best, 20, 300);
}

bool TapHeld(uint64_t ms) { return (ms / Bot::kTapMs) % 2 == 1; }

}  // namespace

Bot::Move Bot::ChooseMove() {
  const Chr& ship = chr[0];
  const std::vector<Body> threats = Threats();
  const int homeX = HomeX();
  const int r = ship.radius > 0 ? ship.radius : 2;
  // Staying first: among equal costs the earlier move wins, so the ship does
  // not wander without a reason.
  static const Move kMoves[] = {{0, 0},  {-kShipStep, 0},  {kShipStep, 0},
                                {0, -kShipStep}, {0, kShipStep}, {-kShipStep, -kShipStep},
                                {kShipStep, -kShipStep}, {-kShipStep, kShipStep},
                                {kShipStep, kShipStep}};
  Move best;
  double bestCost = 0;
  bool first = true;
  std::vector<Body> moving;
  for (const Move& m : kMoves) {
    moving = threats;
    int sx = ship.x, sy = ship.y;
    double cost = 0;
    for (int k = 1; k <= kLookahead; ++k) {
      sx = std::clamp(sx + m.dx, r, 320 - r);
      sy = std::clamp(sy + m.dy, r, kLowestY);
      if (k == 1) cost += std::abs(sx - homeX) + 0.5 * std::abs(sy - kHomeY);
      for (Body& b : moving) {
        Advance(b);
        const double dx = sx - b.x, dy = sy - b.y;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double hit = r + b.r + kHitMargin;
        if (d < hit) {
          cost += kHitCost / k;
        } else if (d < hit + kNearBand) {
          cost += (hit + kNearBand - d) * kNearCost / k;
        }
      }
    }
    if (first || cost < bestCost) {
      best = m;
      bestCost = cost;
      first = false;
    }
  }
  return best;
}

std::vector<int> Bot::Step(uint64_t ms, std::string& note) {
  note.clear();
  auto say = [&note](const std::string& what) {
    if (!note.empty()) note += '\n';
    note += what;
  };

  const int32_t scroll = gs.scrollY;
  if (started_ && scroll != lastScroll_) lastFrameMs_ = ms + 1;  // 0 stays "never"
  started_ = true;
  lastScroll_ = scroll;
  const bool running = lastFrameMs_ != 0 && ms + 1 - lastFrameMs_ < kStillMs;

  Phase next;
  if (gs.titleActive != 0) {
    next = Phase::kTitle;
  } else if (phase_ == Phase::kPlay && (running || gs.pauseState == 1)) {
    next = Phase::kPlay;  // a paused game is resumed below
  } else if (scroll == 0 && chr[0].state == 1) {
    next = Phase::kStarting;  // only a new game puts the scroll back to 0
  } else if (running && (phase_ == Phase::kStarting || chr[0].state != 0)) {
    next = Phase::kPlay;
  } else {
    next = Phase::kWaiting;
  }

  if (next != phase_) {
    if (next == Phase::kTitle) say("title");
    if (next == Phase::kStarting) {
      games_ += 1;
      gameStartMs_ = ms;
      bossSeen_ = false;
      ended_ = false;
      say("game " + std::to_string(games_));
    }
    if (phase_ == Phase::kPlay && next == Phase::kWaiting) {
      say("over score " + std::to_string(gs.score.load()));
    }
    phase_ = next;
  }

  std::vector<int> keys;
  switch (phase_) {
    case Phase::kTitle:
    case Phase::kWaiting:
      if (TapHeld(ms)) keys.push_back(platform::VK_RETURN);
      break;
    case Phase::kStarting:
      break;
    case Phase::kPlay: {
      if (!bossSeen_ && gs.quota < 1 && chr[1].state == 4) {
        bossSeen_ = true;
        say("boss");
      }
      if (!ended_ && bossSeen_ && chr[1].state != 4) {
        ended_ = true;
        say("won");
      }
      if (!ended_ && chr[0].state == 0) {
        ended_ = true;
        say("lost");
      }
      if (gs.pauseState == 1) {
        if (TapHeld(ms)) keys.push_back(kKeyP);
        break;
      }
      keys.push_back(platform::VK_SPACE);
      const bool careless = carelessMs_ != 0 && ms >= gameStartMs_ + carelessMs_;
      if (chr[0].state == 1 && gs.inputLocked == 0 && !ended_ && !careless) {
        const Move m = ChooseMove();
        if (m.dx < 0) keys.push_back(platform::VK_LEFT);
        if (m.dx > 0) keys.push_back(platform::VK_RIGHT);
        if (m.dy < 0) keys.push_back(platform::VK_UP);
        if (m.dy > 0) keys.push_back(platform::VK_DOWN);
      }
      break;
    }
  }
  std::sort(keys.begin(), keys.end());
  return keys;
}
