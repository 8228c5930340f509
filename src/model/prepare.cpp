// prepare.cpp -- the model brought to size, turned to each heading once and for all, and every
// face given a flat colour for each cycle slot, so drawing a cycle costs no lighting at all.
#include "model/model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "scene/math3d.h"

ModelNode *g_headingModels[4];
uint32_t g_faceColours[MAX_CYCLES][MODEL_MAX_FACES];

constexpr double MODEL_SIZE = 80.0;
constexpr float LIGHT = 0.7071f;        // the light comes from up and +z of the unturned model

void Model_StartFaces(ModelFaceWalk *walk, const ModelNode *node)
{
    walk->node = node;
    walk->cursor = 0;
}

int Model_NextFace(ModelFaceWalk *walk, Vertex *out)
{
    const ModelNode *node = walk->node;
    if (!node || !node->parent || node->vertexCount == 0 || !node->parent->indices)
        return 0;
    const ModelNode *list = node->parent;
    while (walk->cursor < list->indexCount) {
        int count = 0, usable = 1;
        while (walk->cursor < list->indexCount && list->indices[walk->cursor] != -1) {
            int32_t index = list->indices[walk->cursor++];
            if (index < 0 || index >= node->vertexCount)
                usable = 0;
            else if (count < MODEL_MAX_FACE_VERTICES)
                out[count++] = node->vertices[index];
        }
        walk->cursor++;     // past the -1 (or the end of the list)
        if (usable && count >= 3)
            return count;
    }
    return 0;
}

void Model_RotateVertices(int count, Vertex *vertices)
{
    const float *m = g_modelMatrix;
    for (int i = 0; i < count; i++) {
        Vertex &v = vertices[i];
        float x = v.wx, y = v.wy, z = v.wz;
        v.wx = x * m[0] + y * m[4] + z * m[8] + m[12];
        v.wy = x * m[1] + y * m[5] + z * m[9] + m[13];
        v.wz = x * m[2] + y * m[6] + z * m[10] + m[14];
    }
}

static void *Copy(const void *from, size_t size)
{
    if (size == 0)
        return nullptr;
    void *to = malloc(size);
    if (!to)
        WRL_OutOfMemory();
    memcpy(to, from, size);
    return to;
}

void Model_FreeList(ModelNode *node)
{
    while (node) {
        ModelNode *next = node->next;
        free(node->vertices);
        free(node->indices);
        free(node);
        node = next;
    }
}

void Model_BuildHeading(int heading)
{
    Model_FreeList(g_headingModels[heading]);    // a model prepared before, in an earlier game
    // Copy the records and their arrays, then the parent links by place in the list.
    int count = 0;
    for (const ModelNode *n = g_modelNodes; n; n = n->next)
        count++;
    ModelNode **copies = (ModelNode **)calloc(count ? count : 1, sizeof *copies);
    if (!copies)
        WRL_OutOfMemory();
    std::unordered_map<const ModelNode *, ModelNode *> copyOf;
    copyOf.reserve(count);
    int i = 0;
    for (const ModelNode *n = g_modelNodes; n; n = n->next, i++) {
        copies[i] = (ModelNode *)Copy(n, sizeof *n);
        copyOf[n] = copies[i];
        copies[i]->vertices = (Vertex *)Copy(n->vertices, n->vertexCount * sizeof(Vertex));
        copies[i]->indices = (int32_t *)Copy(n->indices, n->indexCount * sizeof(int32_t));
        copies[i]->next = nullptr;
        copies[i]->parent = nullptr;
        if (i > 0)
            copies[i - 1]->next = copies[i];
    }
    i = 0;
    for (const ModelNode *n = g_modelNodes; n; n = n->next, i++) {
        auto parent = copyOf.find(n->parent);
        copies[i]->parent = parent != copyOf.end() ? parent->second : nullptr;
    }
    g_headingModels[heading] = count ? copies[0] : nullptr;

    // A turn about the vertical axis that carries the model's +x onto the heading's direction.
    const Heading &h = HEADINGS[heading];
    memset(g_modelMatrix, 0, sizeof g_modelMatrix);
    g_modelMatrix[0] = h.dirX;
    g_modelMatrix[2] = h.dirZ;
    g_modelMatrix[5] = 1.0f;
    g_modelMatrix[8] = -h.dirZ;
    g_modelMatrix[10] = h.dirX;
    g_modelMatrix[15] = 1.0f;
    for (i = 0; i < count; i++)
        Model_RotateVertices(copies[i]->vertexCount, copies[i]->vertices);
    free(copies);
}

// A channel as a colour byte. Bright faces of bright cycles can go past 255: they are held at
// 255 rather than wrapped round to a dark colour.
static uint32_t ChannelByte(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= 255.0)
        return 255;
    return (uint32_t)value;
}

// The face's own colour lit: a file colour far out of range cannot overflow the arithmetic.
static long long LitChannel(float diffuse, float shade)
{
    double lit = (double)diffuse * shade;
    if (!(lit > -1e9))
        return 0;
    return (long long)(lit < 1e9 ? lit : 1e9);
}

void Model_ShadeFace(int count, const Vertex *face, float red, float green, float blue,
                     int ignoreShading, int faceNumber)
{
    if (count < 3 || faceNumber < 0 || faceNumber >= MODEL_MAX_FACES)
        return;
    const Vertex &a = face[0], &b = face[1], &c = face[2];
    float e1x = b.wx - a.wx, e1y = b.wy - a.wy, e1z = b.wz - a.wz;
    float e2x = c.wx - a.wx, e2y = c.wy - a.wy, e2z = c.wz - a.wz;
    float nx = e1y * e2z - e1z * e2y;
    float ny = e1z * e2x - e1x * e2z;
    float nz = e1x * e2y - e1y * e2x;
    float length = sqrtf(nx * nx + ny * ny + nz * nz);
    if (length != 0.0f) {
        ny /= length;
        nz /= length;
    } else {
        ny = nz = 0.0f;
    }
    // Two-sided: a face lit from behind is as bright as one lit from the front.
    float shade = fabsf((ny + nz) * LIGHT);
    long long r = LitChannel(red, shade), g = LitChannel(green, shade), bl = LitChannel(blue, shade);

    for (int slot = 0; slot < MAX_CYCLES; slot++) {
        const Cycle &cycle = cycles[slot];
        double cr = cycle.red, cg = cycle.green, cb = cycle.blue;
        double outR, outG, outB;
        if (!ignoreShading) {
            long long grey = (r + g + bl) / 3;    // the face takes the cycle's colour
            outR = grey * cr * 1.6, outG = grey * cg * 1.6, outB = grey * cb * 1.6;
        } else {
            double s = sqrt(cr + cg + cb) * 0.3333333333333333;    // it keeps its own colour
            outR = r * s * 1.9, outG = g * s * 1.9, outB = bl * s * 1.9;
        }
        g_faceColours[slot][faceNumber] =
            ChannelByte(trunc(outR)) | ChannelByte(trunc(outG)) << 8 | ChannelByte(trunc(outB)) << 16;
    }
}

void Model_Prepare()
{
    // Heading 1, the model as loaded, comes last and leaves the model matrix at identity.
    const int order[4] = {0, 2, 3, 1};
    for (int heading : order)
        Model_BuildHeading(heading);

    int faceNumber = 0;
    Vertex face[MODEL_MAX_FACE_VERTICES];
    for (const ModelNode *node = g_headingModels[1]; node; node = node->next) {
        ModelFaceWalk walk;
        Model_StartFaces(&walk, node);
        int count;
        while (faceNumber < MODEL_MAX_FACES && (count = Model_NextFace(&walk, face)) > 0) {
            Model_ShadeFace(count, face, node->diffuseColor[0], node->diffuseColor[1],
                            node->diffuseColor[2], node->ignoreShading, faceNumber);
            faceNumber++;
        }
    }

    Model_FreeList(g_modelNodes);
    g_modelNodes = nullptr;
    g_currentNode = nullptr;    // it pointed into the list just freed
}

int Model_Init()
{
    if (!WRL_Load("zark2.wrl"))
        return 0;
    WRL_NormaliseModel();
    WRL_ScaleModel(MODEL_SIZE);
    Model_Prepare();
    return 1;
}
