// title_fuzz.cpp -- "zark.jpg" as a player may have replaced it, decoded into the back buffer of
// the software device as the title screen does. Only a 640 x 480 picture is decoded at all, so
// the seeds are pictures of that size.
#include "fuzz_support.h"
#include "shell/shell.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::MakePrivateFolder(argc, argv);
    fuzz::InPrivateFolder here;
    fuzz::StartSoftwareGraphics();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InPrivateFolder here;
    fuzz::WriteInput("zark.jpg", data, size);
    App_LoadTitlePicture("zark.jpg");
    return 0;
}
