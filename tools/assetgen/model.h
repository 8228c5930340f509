// model.h -- the light cycle's shape, built from rings, lofts and extrusions, and the model file
// "zark2.wrl" the game reads it from.
#pragma once

#include <string>
#include <vector>

// Loader limits the file keeps within: vertices and index entries in one node, vertices in one
// face, faces in the whole model, characters the loader takes in from one line.
enum {
    WRL_MAX_VERTICES = 999,
    WRL_MAX_INDICES = 2999,
    WRL_MAX_FACE_VERTICES = 64,
    WRL_MAX_FACES = 2000,
    WRL_MAX_LINE = 511,
};

// Size and placement. Coordinates are world units: the front faces +x, the origin is the point
// set at the cycle's position (12 units above the floor, where its trail comes out), the tail is
// at x = 0 and the nose at x = +80, the largest coordinate, so that the game's scaling to size 80
// leaves every point where it is built.
constexpr double CYCLE_NOSE_X = 80.0;
constexpr double CYCLE_FLOOR_Y = -12.0;

struct Point3 {
    double x, y, z;
};

// One part of the cycle: in the file a named node with its material and index list, and a named
// child holding its vertices.
struct CyclePart {
    std::string name;
    float colour[3];                      // diffuse red, green, blue, 0..1
    bool ownColour;                       // keeps its colour; otherwise the cycle's colour tints it
    std::vector<Point3> points;
    std::vector<std::vector<int>> faces;  // convex, each a loop of indices into points
};

// The cycle, part by part, in the order the file defines them: the same numbers on every run.
std::vector<CyclePart> Cycle_BuildParts();

// File making. The whole model file for `parts`; own-colour parts stand between the shading
// markers. Coordinates are written with four decimals.
std::string Cycle_EncodeWrl(const std::vector<CyclePart> &parts);
// Builds the cycle and writes it to `path` through a temporary file, so that a failed run leaves
// no half file. Returns false with `error` set when it cannot write.
bool Cycle_WriteWrl(const std::string &path, std::string *error);
