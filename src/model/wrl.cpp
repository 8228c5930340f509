// wrl.cpp -- the model file loader: not a VRML parser but a token-driven state machine that knows
// nine keywords, the four brackets, comments and two shading markers, and skips everything else.
#include "model/model.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/files.h"
#include "platform/platform.h"
#include "scene/math3d.h"

ModelNode *g_modelNodes = nullptr;
ModelNode *g_currentNode = nullptr;
int32_t g_braceDepth = 0;
int32_t g_ignoreShading = 0;
int32_t g_listOpen = 0;
int32_t g_pendingList = 0;
double g_largestCoordinate = 0.0;

enum { LINE_BUFFER = 512, VERTEX_ROOM = MODEL_MAX_VERTICES + 1, INDEX_ROOM = MODEL_MAX_INDICES + 1 };
enum { LIST_NONE, LIST_VERTICES, LIST_INDICES };

static const char DELIMITERS[] = " ,\t\r\n";
// The tokenizer's place in the current piece of a line; outside a load, an empty line, so a
// token parsed on its own finds nothing after it.
static char noMoreTokens[] = "";
static char *tokenPosition = noMoreTokens;
static int nodesDefined = 0, listsMade = 0;

static const char *NextToken()
{
    return strtok_r(nullptr, DELIMITERS, &tokenPosition);
}

static void ShowMessage(const char *text)
{
    if (g_frontEnd)
        g_frontEnd->MessageBox(nullptr, text, nullptr);
    else
        fprintf(stderr, "%s\n", text);
}

// The longest prefix of the token that reads as a decimal number (sign, digits, point,
// exponent); no such prefix reads as 0.
static float FloatValue(const char *token)
{
    if (!token)
        return 0.0f;
    const char *p = token;
    if (*p == '+' || *p == '-')
        p++;
    const char *digits = p;
    while (isdigit((unsigned char)*p))
        p++;
    if (*p == '.') {
        p++;
        while (isdigit((unsigned char)*p))
            p++;
    }
    if (p == digits || (p == digits + 1 && *digits == '.'))
        return 0.0f;
    if (*p == 'E') {
        const char *e = p + 1;
        if (*e == '+' || *e == '-')
            e++;
        if (isdigit((unsigned char)*e)) {
            while (isdigit((unsigned char)*e))
                e++;
            p = e;
        }
    }
    char number[64];
    size_t length = (size_t)(p - token) < sizeof number - 1 ? (size_t)(p - token) : sizeof number - 1;
    memcpy(number, token, length);
    number[length] = 0;
    return (float)strtod(number, nullptr);
}

static int32_t IndexValue(const char *token)
{
    if (!token)
        return 0;
    long value = strtol(token, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return (int32_t)value;
}

static void ReadValues(float *values, int count, float factor = 1.0f)
{
    for (int i = 0; i < count; i++)
        values[i] = FloatValue(NextToken()) * factor;
}

void WRL_TransformVertex(const ModelNode *node, Vertex *vertex)
{
    float x = vertex->wx, y = vertex->wy, z = vertex->wz;
    for (; node; node = node->parent) {
        x *= node->scale[0];
        y *= node->scale[1];
        z *= node->scale[2];
        if (node->rotation[3] != 0.0f)
            Math_RotateAboutAxis(x, y, z, node->rotation[0], node->rotation[1], node->rotation[2],
                                 node->rotation[3]);
        x += node->translation[0];
        y += node->translation[1];
        z += node->translation[2];
    }
    vertex->wx = x, vertex->wy = y, vertex->wz = z;
}

void WRL_OutOfMemory()
{
    ShowMessage("Error! Out of memory for the model!");
    exit(1);
}

static void DefineNode()
{
    ModelNode *node = ++nodesDefined <= MODEL_MAX_NODES
                          ? (ModelNode *)calloc(1, sizeof(ModelNode)) : nullptr;
    if (!node)
        WRL_OutOfMemory();
    const char *name = NextToken();
    if (name) {
        strncpy(node->name, name, MODEL_NAME_MAX);   // longer names are cut
        node->name[MODEL_NAME_MAX] = 0;
    }
    node->scale[0] = node->scale[1] = node->scale[2] = 1.0f;
    node->depth = g_braceDepth;
    node->ignoreShading = g_ignoreShading;
    node->next = g_modelNodes;
    g_modelNodes = node;
    node->parent = g_currentNode;
    // Material is inherited once, when the node is defined; transforms are not copied.
    if (g_currentNode) {
        memcpy(node->diffuseColor, g_currentNode->diffuseColor, sizeof node->diffuseColor);
        node->ambientIntensity = g_currentNode->ambientIntensity;
        memcpy(node->specularColor, g_currentNode->specularColor, sizeof node->specularColor);
    }
    g_currentNode = node;
}

// A list's array is made once, at its "[", with its fixed room.
static void *ListArray(void **array, size_t size)
{
    if (!*array && ++listsMade <= MODEL_MAX_LISTS)
        *array = calloc(1, size);
    if (!*array)
        WRL_OutOfMemory();
    return *array;
}

static void ReadVertex(const char *xToken)
{
    ModelNode *node = g_currentNode;
    if (node->vertexCount == MODEL_MAX_VERTICES) {
        ShowMessage("Error! Too many vertices for this polygon!");
        exit(1);
    }
    const char *yToken = NextToken();
    const char *zToken = NextToken();
    if (zToken && strchr(zToken, ']'))
        g_listOpen = g_pendingList = 0;
    Vertex *vertices = (Vertex *)ListArray((void **)&node->vertices, VERTEX_ROOM * sizeof(Vertex));
    Vertex *v = &vertices[node->vertexCount];
    v->wx = FloatValue(xToken);
    v->wy = FloatValue(yToken);
    v->wz = FloatValue(zToken);
    WRL_TransformVertex(node, v);
    for (float c : {v->wx, v->wy, v->wz})
        if (fabs(c) > g_largestCoordinate)
            g_largestCoordinate = fabs(c);
    node->vertexCount++;
}

static void ReadIndex(const char *token)
{
    ModelNode *node = g_currentNode;
    if (node->indexCount == MODEL_MAX_INDICES) {
        ShowMessage("Error! Too many indices for this polygon!");
        exit(1);
    }
    if (strchr(token, ']'))
        g_listOpen = g_pendingList = 0;
    int32_t *indices = (int32_t *)ListArray((void **)&node->indices, INDEX_ROOM * sizeof(int32_t));
    indices[node->indexCount++] = IndexValue(token);
}

void WRL_ParseToken(const char *token)
{
    if (!token || !*token)
        return;
    if (strcmp(token, "#IGNORESHADING") == 0)
        g_ignoreShading = 1;
    else if (strcmp(token, "#UNIGNORESHADING") == 0)
        g_ignoreShading = 0;
    if (token[0] == '#') {
        static char endOfLine[] = "";
        tokenPosition = endOfLine;  // the rest of the line is a comment
        return;
    }

    // A list entry is read only for a node that is current; with none, it passes unread.
    if (g_listOpen && g_currentNode) {
        if (token[0] == ']') {
            g_listOpen = g_pendingList = 0;
            return;
        }
        if (g_pendingList == LIST_VERTICES)
            ReadVertex(token);
        else if (g_pendingList == LIST_INDICES)
            ReadIndex(token);
    } else if (g_listOpen && token[0] == ']') {
        g_listOpen = g_pendingList = 0;
        return;
    }

    if (strcmp(token, "DEF") == 0) {
        DefineNode();
        return;
    }
    ModelNode *node = g_currentNode;
    if (node) {
        if (strcmp(token, "SCALE") == 0) {
            ReadValues(node->scale, 3);
            return;
        }
        if (strcmp(token, "TRANSLATION") == 0) {
            float add[3];
            ReadValues(add, 3);
            for (int i = 0; i < 3; i++)
                node->translation[i] += add[i];
            return;
        }
        if (strcmp(token, "ROTATION") == 0) {
            ReadValues(node->rotation, 4);
            return;
        }
        if (strcmp(token, "DIFFUSECOLOR") == 0) {
            ReadValues(node->diffuseColor, 3, 255.0f);
            return;
        }
        if (strcmp(token, "AMBIENTINTENSITY") == 0) {
            ReadValues(&node->ambientIntensity, 1);
            return;
        }
        if (strcmp(token, "SPECULARCOLOR") == 0) {
            ReadValues(node->specularColor, 3, 255.0f);
            return;
        }
        if (strcmp(token, "COORD") == 0) {
            g_pendingList = LIST_VERTICES;
            return;
        }
        if (strcmp(token, "COORDINDEX") == 0) {
            g_pendingList = LIST_INDICES;
            return;
        }
        if (token[0] == '[') {
            if (g_pendingList == LIST_NONE)
                return;     // a bracket that opens something else, such as a children list
            g_listOpen = 1;
            if (g_pendingList == LIST_VERTICES)
                ListArray((void **)&node->vertices, VERTEX_ROOM * sizeof(Vertex));
            else
                ListArray((void **)&node->indices, INDEX_ROOM * sizeof(int32_t));
            return;
        }
    }
    if (token[0] == '{') {
        g_braceDepth++;
        return;
    }
    if (token[0] == '}') {
        g_braceDepth--;
        // The brace that closes a node makes its parent current again.
        if (g_currentNode && g_currentNode->depth == g_braceDepth)
            g_currentNode = g_currentNode->parent;
    }
}

// Frees the node list and puts the loader back to its start, so a load always begins afresh.
static void ResetLoader()
{
    tokenPosition = noMoreTokens;
    nodesDefined = listsMade = 0;
    Model_FreeList(g_modelNodes);
    g_modelNodes = nullptr;
    g_currentNode = nullptr;
    g_braceDepth = 0;
    g_ignoreShading = 0;
    g_listOpen = 0;
    g_pendingList = 0;
    g_largestCoordinate = 0.0;
}

int WRL_Load(const char *path)
{
    ResetLoader();
    FILE *file = Platform_OpenFile(path, "r");
    if (!file) {
        ShowMessage("Could not open .WRL file");
        return 0;
    }
    // A line longer than the buffer arrives in pieces; each piece is read as a line of its own.
    char line[LINE_BUFFER];
    while (fgets(line, sizeof line, file)) {
        for (char *c = line; *c; c++)
            *c = (char)toupper((unsigned char)*c);
        const char *token = strtok_r(line, DELIMITERS, &tokenPosition);
        while (token) {
            WRL_ParseToken(token);
            token = NextToken();
        }
    }
    fclose(file);
    tokenPosition = noMoreTokens;   // the line buffer goes away with this call
    return 1;
}

void WRL_ScaleModel(double factor)
{
    for (ModelNode *node = g_modelNodes; node; node = node->next)
        for (int i = 0; i < node->vertexCount; i++) {
            Vertex &v = node->vertices[i];
            v.wx = (float)(v.wx * factor);
            v.wy = (float)(v.wy * factor);
            v.wz = (float)(v.wz * factor);
        }
}

void WRL_NormaliseModel()
{
    if (g_largestCoordinate != 0.0)
        WRL_ScaleModel(1.0 / g_largestCoordinate);
}
