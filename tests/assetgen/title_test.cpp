// The title picture: a JPEG the game's title screen can decode, with the dark band its two text
// lines need, the name bright above the arena, and the same bytes on every run.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <jpeglib.h>

#include "title.h"

// A decoded picture, as the game's title screen reads it: default output settings, RGB rows.
struct Decoded {
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    std::vector<uint8_t> rgb;
    const uint8_t *At(int x, int y) const { return &rgb[(size_t(y) * width + x) * components]; }
};

struct DecodeFailure {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

static void DecodeErrorExit(j_common_ptr info)
{
    longjmp(reinterpret_cast<DecodeFailure *>(info->err)->jump, 1);
}

static bool Decode(FILE *file, Decoded *out)
{
    jpeg_decompress_struct decoder;
    DecodeFailure failure;
    decoder.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = DecodeErrorExit;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    out->progressive = decoder.progressive_mode;
    jpeg_start_decompress(&decoder);
    out->width = int(decoder.output_width);
    out->height = int(decoder.output_height);
    out->components = decoder.output_components;
    out->rgb.resize(size_t(out->width) * out->height * out->components);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = &out->rgb[size_t(decoder.output_scanline) * out->width * out->components];
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    return true;
}

static bool DecodeBytes(std::vector<uint8_t> bytes, Decoded *out)
{
    FILE *file = fmemopen(bytes.data(), bytes.size(), "rb");
    bool ok = file && Decode(file, out);
    if (file)
        fclose(file);
    return ok;
}

// The picture as assetgen writes it, made once for the suite.
class TitlePicture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char folder[] = "/tmp/title-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        std::string path = std::string(folder) + "/zark.jpg", error;
        ASSERT_TRUE(Title_WriteJpeg(path, &error)) << error;
        FILE *file = fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        int c;
        while ((c = fgetc(file)) != EOF)
            written.push_back(uint8_t(c));
        fclose(file);
        remove(path.c_str());
        rmdir(folder);
    }
    static std::vector<uint8_t> written;
};
std::vector<uint8_t> TitlePicture::written;

TEST_F(TitlePicture, DecodesAsTheGameNeedsWithADarkTextBandAndABrightName)
{
    Decoded picture;
    ASSERT_TRUE(DecodeBytes(written, &picture));

    // The game accepts exactly 640 x 480 and reads three bytes a pixel.
    ASSERT_EQ(picture.width, 640);
    ASSERT_EQ(picture.height, 480);
    ASSERT_EQ(picture.components, 3);
    EXPECT_FALSE(picture.progressive);

    // "PRESS A KEY TO BEGIN (D FOR DEMO)" and "V1.2" land on rows 455..469; the whole band
    // under the arena stays near-black so that they read cleanly.
    for (int y = TITLE_BAND_TOP; y < 480; y++)
        for (int x = 0; x < 640; x++)
            for (int c = 0; c < 3; c++)
                ASSERT_LT(picture.At(x, y)[c], 16) << "pixel " << x << ", " << y;

    // The name's near-white chrome fills much of the sky, and the arena below shows the cycles'
    // colours: cyan and orange both.
    int white = 0, cyan = 0, orange = 0;
    for (int y = 0; y < TITLE_BAND_TOP; y++)
        for (int x = 0; x < 640; x++) {
            const uint8_t *p = picture.At(x, y);
            if (y < 220 && p[0] > 220 && p[1] > 220 && p[2] > 220)
                white++;
            if (y >= 240 && p[0] < 120 && p[1] > 180 && p[2] > 200)
                cyan++;
            if (y >= 240 && p[0] > 220 && p[1] > 90 && p[1] < 200 && p[2] < 100)
                orange++;
        }
    EXPECT_GT(white, 3000);
    EXPECT_GT(cyan, 500);
    EXPECT_GT(orange, 200);
}

TEST_F(TitlePicture, SameBytesEveryRun)
{
    Image picture;
    std::vector<uint8_t> again;
    std::string error;
    ASSERT_TRUE(Title_Paint(&picture, &error)) << error;
    ASSERT_TRUE(Title_EncodeJpeg(picture, &again, &error)) << error;
    EXPECT_GT(written.size(), 20000u);
    EXPECT_EQ(again, written);
}

TEST(TitleJpeg, KeepsColoursInPlaceAndReportsFailureInsteadOfExiting)
{
    // Red, green and blue stripes on a picture whose alpha is zero: a swapped channel or a
    // stride that took alpha for colour would move or mix them.
    Image image(48, 16);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 48; x++)
            image.At(x, y)[x / 16] = 255;
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(Title_EncodeJpeg(image, &file, &error)) << error;
    Decoded decoded;
    ASSERT_TRUE(DecodeBytes(file, &decoded));
    ASSERT_EQ(decoded.width, 48);
    for (int stripe = 0; stripe < 3; stripe++) {
        const uint8_t *p = decoded.At(stripe * 16 + 8, 8);
        for (int c = 0; c < 3; c++)
            EXPECT_NEAR(p[c], c == stripe ? 255 : 0, 6) << "stripe " << stripe << " channel " << c;
    }

    // libjpeg's own reaction to a fault is to end the program; the generator must say why
    // instead.
    EXPECT_FALSE(Title_EncodeJpeg(Image(), &file, &error));
    EXPECT_NE(error.find("title picture"), std::string::npos) << error;
}
