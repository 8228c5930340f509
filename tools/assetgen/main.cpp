// assetgen -- writes every data file the game reads into the folder given on the command line.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "font.h"
#include "icon.h"
#include "model.h"
#include "music.h"
#include "sounds.h"
#include "textures.h"
#include "threedf.h"
#include "title.h"

static bool WriteFont(const std::string &path, std::string *error)
{
    Image image;
    return Font_Render(FONT_FILE, Font_PrintableAscii(), &image, error) &&
           TDF_Write(path, image, TEXELS_RGB565, error);
}

static bool WriteFloor(const std::string &path, std::string *error)
{
    return TDF_Write(path, Tex_Floor(), TEXELS_RGB565, error);
}

static bool WriteWall(const std::string &path, std::string *error)
{
    return TDF_Write(path, Tex_Wall(), TEXELS_RGB565, error);
}

static bool WriteKaboom(const std::string &path, std::string *error)
{
    return TDF_Write(path, Tex_Kaboom(), TEXELS_ARGB8332, error);
}

static bool WriteIconSmall(const std::string &path, std::string *error)
{
    return Icon_WritePng(path, ICON_SMALL, error);
}

static bool WriteIconMedium(const std::string &path, std::string *error)
{
    return Icon_WritePng(path, ICON_MEDIUM, error);
}

static bool WriteIconLarge(const std::string &path, std::string *error)
{
    return Icon_WritePng(path, ICON_LARGE, error);
}

// Every asset, by the file name the game opens; then the icon the desktop shows for the game,
// which the install puts in the icon theme as zarkride.png.
static const struct {
    const char *file;
    bool (*write)(const std::string &path, std::string *error);
} ASSETS[] = {
    {"Alpha.3df", WriteFont},
    {"floor.3df", WriteFloor},
    {"wall1.3df", WriteWall},
    {"kaboom.3df", WriteKaboom},
    {"zark2.wrl", Cycle_WriteWrl},
    {"zark.jpg", Title_WriteJpeg},
    {"cyc4.wav", Sfx_WriteEngine},
    {"boom.wav", Sfx_WritePlayerBoom},
    {"turn2.wav", Sfx_WriteTurn},
    {"boom2.wav", Sfx_WriteCycleBoom},
    {"zark.mid", Tune_WriteMidi},
    {"zarkride-48.png", WriteIconSmall},
    {"zarkride-128.png", WriteIconMedium},
    {"zarkride-256.png", WriteIconLarge},
};

int main(int argc, char **argv)
{
    const char *usage = "usage: assetgen OUTDIR\n  writes the game's data files into OUTDIR\n";
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(usage, stdout);
        return 0;
    }
    // A folder name that starts with a dash is an option mistyped, not a place to write.
    if (argc != 2 || argv[1][0] == '-') {
        fputs(usage, stderr);
        return 2;
    }
    std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "assetgen: cannot make %s: %s\n", dir.c_str(), strerror(errno));
        return 1;
    }
    for (const auto &asset : ASSETS) {
        std::string path = dir + "/" + asset.file, error;
        if (!asset.write(path, &error)) {
            fprintf(stderr, "assetgen: %s: %s\n", asset.file, error.c_str());
            return 1;
        }
    }
    return 0;
}
