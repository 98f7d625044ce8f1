// The show's level, stage by stage (see level.h).
#include "tools/data/level/level.h"

#include "bsp/camera_track.h"
#include "shell/fatal.h"
#include "tools/data/level/textures.h"
#include "tools/data/level/faces.h"
#include "tools/data/level/file.h"
#include "tools/data/level/grid.h"
#include "tools/data/level/light.h"
#include "tools/data/level/tree.h"
#include "tools/data/level/vis.h"
#include "tools/data/output.h"

#include <bit>
#include <cstdio>

// The camera must keep this far from every wall, floor and ceiling, so that
// the near plane (4 units) never cuts into them whichever way it looks.
static constexpr double RequiredClearance = 32.0;

static void Progress(const char* stage, const char* details) {
    std::printf("tessaline-data: level %s: %s\n", stage, details);
    std::fflush(stdout);
}

TrackClearance MeasureTrackClearance(const LevelTree& tree) {
    BuildCameraTrack();
    TrackClearance worst{1e300, 0};
    for (int32_t step = 0; step * 0.01 < CameraTrackLoop; ++step) {
        double time = step * 0.01;
        double values[6];
        EvaluateCameraTrack(GetCameraTrack(), values, time);
        double distance = DistanceToSolid(tree, values);
        if (FindTreeLeaf(tree, values) == 0) {
            distance = 0;
        }
        if (distance < worst.distance) {
            worst = {distance, time};
        }
    }
    return worst;
}

LevelBuild CompileShowLevel() {
    char details[256];
    LevelLayout layout = MakeLevelLayout();
    LevelGrid grid = BuildLevelGrid(layout);
    std::snprintf(details, sizeof details, "%zu boxes, %zu lights, %d x %d x %d cells",
                  layout.ops.size(), layout.lights.size(), grid.cells[0], grid.cells[1],
                  grid.cells[2]);
    Progress("layout", details);

    LevelTree tree = BuildLevelTree(grid);
    TrackClearance clearance = MeasureTrackClearance(tree);
    if (clearance.distance < RequiredClearance) {
        FatalError("Level: the camera track comes within %.1f units of solid at %.2f s",
                   clearance.distance, clearance.time);
    }
    std::snprintf(details, sizeof details,
                  "%zu nodes, %zu open leafs; the camera keeps %.1f units clear (at %.2f s)",
                  tree.nodes.size(), tree.leafs.size() - 1, clearance.distance, clearance.time);
    Progress("tree", details);

    std::vector<LevelFace> faces = BuildLevelFaces(grid, tree);
    std::snprintf(details, sizeof details, "%zu faces", faces.size());
    Progress("faces", details);

    std::vector<LeafBox> boxes;
    for (size_t l = 1; l < tree.leafs.size(); ++l) {
        LeafBox box;
        for (int a = 0; a < 3; ++a) {
            box.mins[a] = tree.leafs[l].mins[a];
            box.maxs[a] = tree.leafs[l].maxs[a];
        }
        boxes.push_back(box);
    }
    LevelVisibility visibility = ComputeLevelVisibility(boxes);
    double seen = 0;
    for (const std::vector<uint8_t>& row : visibility.rows) {
        for (uint8_t byte : row) {
            seen += std::popcount(byte);
        }
    }
    double share = boxes.empty() ? 0 : seen / (double(boxes.size()) * boxes.size());
    std::snprintf(details, sizeof details, "%d portals, each leaf sees %.1f%% of the leafs",
                  visibility.portalCount, 100.0 * share);
    Progress("visibility", details);

    LevelLighting lighting = LightLevelFaces(faces, tree, layout);
    std::snprintf(details, sizeof details, "%zu lights, %zu bytes of lightmaps",
                  layout.lights.size(), lighting.data.size());
    Progress("light", details);

    LevelArt art = MakeLevelArt();
    CompiledLevel level{&layout, &tree, &faces, &visibility, &lighting, &art};
    LevelBuild build{BuildLevelFileBytes(level), art.palette};
    std::snprintf(details, sizeof details, "%zu bytes of level file", build.file.size());
    Progress("write", details);
    return build;
}

void WriteLevelFiles(const std::string& dir) {
    LevelBuild build = CompileShowLevel();
    WriteDataFile(dir, "bsp/palette.lmp", build.palette);
    WriteDataFile(dir, "bsp/qorldm1.bsp", build.file);
}
