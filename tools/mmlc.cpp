// qm_mmlc: compiles MML scores into Standard MIDI Files.
//   qm_mmlc SCORE.mml -o OUT.mid
//   qm_mmlc --out-dir DIR SCORE.mml...   (each score to DIR/<name>.mid)
#include <cstdio>
#include <string>
#include <vector>

#include "tools/assetkit/image.h"
#include "tools/assetkit/mml.h"

namespace {

bool CompileOne(const std::string& in, const std::string& out) {
  std::vector<uint8_t> text;
  if (!assetkit::ReadFile(in, text)) {
    std::fprintf(stderr, "qm_mmlc: cannot read %s\n", in.c_str());
    return false;
  }
  assetkit::Song song;
  std::string error;
  if (!assetkit::CompileMml(std::string(text.begin(), text.end()), song, error)) {
    std::fprintf(stderr, "%s: %s\n", in.c_str(), error.c_str());
    return false;
  }
  if (!assetkit::WriteFile(out, assetkit::EncodeSmf(song))) {
    std::fprintf(stderr, "qm_mmlc: cannot write %s\n", out.c_str());
    return false;
  }
  int barTicks = assetkit::kPpq * 4 * song.meterNum / song.meterDen;
  std::printf("%s: %s, %zu tracks, %.2f bars, %.3f s\n", out.c_str(), song.title.c_str(), song.tracks.size(),
              double(song.endTick) / barTicks, assetkit::SecondsAt(song, song.endTick));
  return true;
}

std::string Stem(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.find_last_of('.');
  return dot == std::string::npos ? base : base.substr(0, dot);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[1] == "-o") return CompileOne(args[0], args[2]) ? 0 : 1;
  if (args.size() >= 3 && args[0] == "--out-dir") {
    bool ok = true;
    for (size_t i = 2; i < args.size(); ++i) ok = CompileOne(args[i], args[1] + "/" + Stem(args[i]) + ".mid") && ok;
    return ok ? 0 : 1;
  }
  std::fprintf(stderr, "usage: qm_mmlc SCORE.mml -o OUT.mid | qm_mmlc --out-dir DIR SCORE.mml...\n");
  return 2;
}
