// kestrix-render: a bulletin as the station's audio FSK, into a WAV file.

#include <cstdio>
#include <string>
#include <vector>

#include "station/render/bulletin_renderer.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = kestrix::BulletinRenderer::ParseArguments(args, error);
  if (!options) {
    std::fprintf(stderr, "kestrix-render: %s\n%s", error.c_str(),
                 kestrix::BulletinRenderer::Usage().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(kestrix::BulletinRenderer::Usage().c_str(), stdout);
    return 0;
  }
  if (!kestrix::BulletinRenderer::Render(*options, error)) {
    std::fprintf(stderr, "kestrix-render: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
