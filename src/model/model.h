// model.h -- the cycle's model: read from "zark2.wrl" at start-up, brought to size, turned to each
// of the four headings, and given one flat colour per face for every cycle slot.
#pragma once

#include <cstdint>

#include "game/game.h"
#include "graphics/vertex.h"

enum {
    MODEL_MAX_VERTICES = 999,       // vertices one node's list accepts (room for 1000)
    MODEL_MAX_INDICES = 2999,       // entries one node's index list accepts (room for 3000)
    MODEL_NAME_MAX = 127,
    MODEL_MAX_FACES = 2000,         // faces in the whole model
    MODEL_MAX_FACE_VERTICES = 64,   // vertices in one face
    // What a model file may ask the loader to hold, so that any file loads or is refused at once:
    // nodes, and nodes with lists (each list's array has its fixed room).
    MODEL_MAX_NODES = 10000,
    MODEL_MAX_LISTS = 512,
};

// One node the file names with DEF.
struct ModelNode {
    char name[MODEL_NAME_MAX + 1];
    float translation[3];
    float rotation[4];              // axis x, y, z and angle in radians
    float scale[3];
    float diffuseColor[3];          // 0..255
    float ambientIntensity;
    float specularColor[3];         // 0..255
    int32_t vertexCount;
    int32_t indexCount;
    Vertex *vertices;               // model coordinates in wx, wy, wz
    int32_t *indices;               // faces separated by -1
    int32_t depth;                  // brace depth where the node was defined
    int32_t ignoreShading;          // 1: its faces keep their own colour
    ModelNode *next;
    ModelNode *parent;
};

// The loader's results and state.
extern ModelNode *g_modelNodes;     // last node defined first
extern ModelNode *g_currentNode;
extern int32_t g_braceDepth;
extern int32_t g_ignoreShading;
extern int32_t g_listOpen;
extern int32_t g_pendingList;       // 0 none, 1 vertex list, 2 index list
extern double g_largestCoordinate;

// What the game draws: the model turned to each heading, and each face's colour per slot.
extern ModelNode *g_headingModels[4];
extern uint32_t g_faceColours[MAX_CYCLES][MODEL_MAX_FACES];

// Loading. WRL_Load gives 0 when the file does not open (after saying so in a message box).
int WRL_Load(const char *path);
void WRL_ParseToken(const char *token);
void WRL_TransformVertex(const ModelNode *node, Vertex *vertex);
void WRL_NormaliseModel();
void WRL_ScaleModel(double factor);

// Frees a node list with its arrays.
void Model_FreeList(ModelNode *list);

// Shows the loader's message for a model that cannot be held, and ends the program with 1.
[[noreturn]] void WRL_OutOfMemory();

// Preparation. Model_Init loads "zark2.wrl" and prepares it; 0 when the file does not open.
int Model_Init();
void Model_Prepare();
void Model_BuildHeading(int heading);
void Model_RotateVertices(int count, Vertex *vertices);
void Model_ShadeFace(int count, const Vertex *faceVertices, float red, float green, float blue,
                     int ignoreShading, int faceNumber);

// The faces of one node of a model: its vertices, its parent's index list, one run of vertex
// numbers per face, runs closed by -1. Runs of fewer than 3 entries, and runs naming a vertex the
// node does not have, are no faces; a run longer than MODEL_MAX_FACE_VERTICES keeps its first
// vertices. A node without a parent or without vertices has no faces.
struct ModelFaceWalk {
    const ModelNode *node;
    int cursor;                 // next entry of the parent's index list
};
void Model_StartFaces(ModelFaceWalk *walk, const ModelNode *node);
// Gathers the next face's vertices into out (room for MODEL_MAX_FACE_VERTICES) and gives their
// count, or 0 when the node has no more faces.
int Model_NextFace(ModelFaceWalk *walk, Vertex *out);
