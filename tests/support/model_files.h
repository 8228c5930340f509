// model_files.h -- small model files in the shape the loader turns into drawable faces.
#pragma once

#include <string>

// A face set: the node holding the indices, its child holding the vertices (one per line).
inline std::string FaceSet(const char *name, const std::string &points, const std::string &faces,
                           const char *colour = "1 1 1")
{
    return std::string("DEF ") + name + " Shape {\n"
           "  appearance Appearance { material Material { diffuseColor " + colour + " } }\n"
           "  geometry IndexedFaceSet {\n"
           "    coord DEF " + name + "_POINTS Coordinate {\n"
           "      point [\n" + points + "      ]\n"
           "    }\n"
           "    coordIndex [ " + faces + " ]\n"
           "  }\n"
           "}\n";
}
