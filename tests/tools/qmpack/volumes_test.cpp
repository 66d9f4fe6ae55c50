#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmpack/tool_error.h"
#include "qmpack/volumes.h"

namespace qmpack {
namespace {

using ::testing::ElementsAre;

TEST(VolumeNames, ReplaceTheExtensionOfTheFirstName) {
  EXPECT_THAT(VolumeNames("Kestreln.001", 4),
              ElementsAre("Kestreln.001", "Kestreln.002", "Kestreln.003", "Kestreln.004"));
  EXPECT_THAT(VolumeNames("pack.a.b", 2), ElementsAre("pack.a.b", "pack.a.002"));
  EXPECT_THAT(VolumeNames("PACKAGE", 2), ElementsAre("PACKAGE", "PACKAGE.002"));
  EXPECT_THAT(VolumeNames("Kestreln.001", 1), ElementsAre("Kestreln.001"));
}

TEST(VolumeLengths, FillTheFirstVolumeThenTheOthers) {
  EXPECT_THAT(VolumeLengths(0, 10, 20), ElementsAre(0u));
  EXPECT_THAT(VolumeLengths(10, 10, 20), ElementsAre(10u));
  EXPECT_THAT(VolumeLengths(11, 10, 20), ElementsAre(10u, 1u));
  EXPECT_THAT(VolumeLengths(70, 10, 20), ElementsAre(10u, 20u, 20u, 20u));
}

TEST(VolumeLengths, RefuseAFifthVolumeAndSizesOfZero) {
  EXPECT_THROW(VolumeLengths(71, 10, 20), ToolError);
  EXPECT_THROW(VolumeLengths(5, 0, 20), ToolError);
  EXPECT_THROW(VolumeLengths(5, 10, 0), ToolError);
}

}  // namespace
}  // namespace qmpack
