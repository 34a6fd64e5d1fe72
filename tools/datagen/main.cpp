// Writes the whole production folder: every byte follows from this code and its seeds, so
// two runs give identical files.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/datagen/production.h"
#include "tools/datagen/score.h"
#include "tools/datagen/sync_files.h"
#include "tools/datagen/synth.h"
#include "tools/datagen/timeline_report.h"
#include "tools/writers/mp3_writer.h"
#include "tools/writers/sync_writer.h"

namespace {

constexpr uint32_t kSeed = 20261208;

int usage() {
    std::fputs("usage: datagen OUT_DIR [--report DIR]\n"
               "  writes the production's data, soundtrack and information text into OUT_DIR;\n"
               "  with --report, the timeline (timeline.txt, timeline.png) into DIR\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--report") == 0)) return usage();
    const auto started = std::chrono::steady_clock::now();
    datagen::Production production(argv[1]);

    const datagen::Score score = datagen::composeScore();
    const std::vector<int16_t> pcm = datagen::renderScore(score, kSeed);
    production.write("vantrel.mp3", writers::encodeMp3(pcm, 44100, 2, 192));

    const std::vector<datagen::SyncFile> sync = datagen::makeSyncFiles(score);
    for (const datagen::SyncFile& f : sync)
        production.write("data/" + f.name, writers::encodeSyncFile({f.channels}));

    datagen::writeLoadingPictures(production);
    datagen::writeInformationText(production);
    datagen::writeLauncherData(production);
    datagen::writePart1Data(production);
    datagen::writePart2Data(production);
    datagen::writePart4Data(production);
    datagen::writePart7Data(production);
    datagen::writePart8Data(production);
    datagen::writePart5Data(production);
    datagen::writePart6Data(production);

    if (argc == 4) {
        datagen::Production report(argv[3]);
        report.writeText("timeline.txt", datagen::timelineText(score, sync));
        std::error_code ec;
        std::filesystem::create_directories(argv[3], ec);
        if (!datagen::writeTimelinePlot((std::filesystem::path(argv[3]) / "timeline.png").string(),
                                        score, sync, pcm))
            std::fprintf(stderr, "datagen: cannot write the timeline plot\n");
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("datagen: wrote %s in %.1f s\n", argv[1], took);
    return production.ok() ? 0 : 1;
}
