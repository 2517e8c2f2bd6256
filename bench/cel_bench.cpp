// Reading one full-size array (1164 x 1164 cells): a binary and a text cell file, each
// beside a plain read of the same file's bytes in the same run, and the extraction of
// cell intensities from a scanner image of about 34 million pixels.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_support.hpp"
#include "bench/chip_setup.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/array_model.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/chip_model.hpp"

namespace {

// One array for the whole run, written once into a scratch folder in every form.
struct FullArray {
  std::string textPath;
  std::string binaryPath;
  std::string imagePath;

  FullArray() : mFolder("cel") {
    bench::SilenceLog();
    const auto chip = synth::MakeChip(bench::FullSizeChip());
    if (!chip) std::abort();
    const auto array = synth::MakeArray(*chip, synth::ArrayOptions{});
    if (!array) std::abort();
    textPath = mFolder.File("full.CEL");
    binaryPath = mFolder.File("full.bin.CEL");
    imagePath = mFolder.File("full.DAT");
    synth::DatOptions imageOptions;
    imageOptions.pixelsPerCell = 5;
    const auto image = synth::MakeDatImage(*array, imageOptions);
    if (!image || !synth::WriteCel(*array, synth::CelForm::kText, textPath) ||
        !synth::WriteCel(*array, synth::CelForm::kBinary, binaryPath) ||
        !synth::WriteDat(*array, *image, imagePath))
      std::abort();
    // The readers only ask the layout for its side and rotation.
    Layout.dimension = chip->dimension;
    RotatedLayout = 0;
    AnalysisRunning = 1;
  }
  bench::ScratchFolder mFolder;
};

using bench::TimeAgainstPlainRead;

// As in a group's opening, one array object is read again and again.
void BM_CelBinaryRead(benchmark::State& state) {
  const FullArray& array = bench::Shared<FullArray>();
  CHIP_DATA data;
  TimeAgainstPlainRead(state, array.binaryPath, [&] {
    if (!data.ReadBinaryCel(array.binaryPath.c_str())) state.SkipWithError("read failed");
  });
}

void BM_CelTextRead(benchmark::State& state) {
  const FullArray& array = bench::Shared<FullArray>();
  CHIP_DATA data;
  TimeAgainstPlainRead(state, array.textPath, [&] {
    if (!data.ReadTextCel(array.textPath.c_str())) state.SkipWithError("read failed");
  });
}

void BM_DatExtract(benchmark::State& state) {
  const FullArray& array = bench::Shared<FullArray>();
  TimeAgainstPlainRead(state, array.imagePath, [&] {
    if (!Dat.ExtractDat(array.imagePath.c_str())) state.SkipWithError("extraction failed");
  });
}

}  // namespace

BENCHMARK(BM_CelBinaryRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CelTextRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatExtract)->Unit(benchmark::kMillisecond);
