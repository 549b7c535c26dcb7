// xml.dll: expat builds a plain node tree. Hostile input gives no document: entity
// declarations (and with them every expansion), document type declarations,
// excessive nesting, node counts or sizes stop the parse.
#include <expat.h>

#include <cstdlib>
#include <cstring>

#include "xmlnode.h"

namespace {

const int kMaxDepth = 256;
const long kMaxNodes = 100000;
const size_t kMaxInput = 4u * 1024u * 1024u;

struct BuildState {
    XML_Parser parser;
    XmlNode* root;
    XmlNode* current;        // the open element
    int depth;
    long nodes;
    int failed;
};

char* CopyText(const char* text, size_t length)
{
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy) return nullptr;
    if (length) memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void FreeTree(XmlNode* node)
{
    // Iterative, so that a deep tree cannot exhaust the stack.
    while (node) {
        if (node->firstChild) {
            XmlNode* child = node->firstChild;
            node->firstChild = child->next;
            child->next = nullptr;
            child->parent = node;
            node = child;
            continue;
        }
        XmlNode* parent = node->parent;
        free(node->name);
        free(node->value);
        free(node);
        node = parent;
    }
}

void Fail(BuildState* state)
{
    state->failed = 1;
    XML_StopParser(state->parser, XML_FALSE);
}

XmlNode* NewNode(BuildState* state, int kind, const char* name, size_t nameLength, const char* value,
                 size_t valueLength)
{
    if (++state->nodes > kMaxNodes) {
        Fail(state);
        return nullptr;
    }
    XmlNode* node = static_cast<XmlNode*>(calloc(1, sizeof(XmlNode)));
    if (!node) {
        Fail(state);
        return nullptr;
    }
    node->kind = kind;
    node->name = CopyText(name, nameLength);
    node->value = CopyText(value, valueLength);
    if (!node->name || !node->value) {
        free(node->name);
        free(node->value);
        free(node);
        Fail(state);
        return nullptr;
    }
    return node;
}

void AppendChild(XmlNode* parent, XmlNode* child)
{
    child->parent = parent;
    if (parent->lastChild) parent->lastChild->next = child;
    else parent->firstChild = child;
    parent->lastChild = child;
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes)
{
    BuildState* state = static_cast<BuildState*>(data);
    if (state->failed) return;
    if (++state->depth > kMaxDepth) {
        Fail(state);
        return;
    }
    XmlNode* node = NewNode(state, XML_NODE_ELEMENT, name, strlen(name), "", 0);
    if (!node) return;
    if (state->current) AppendChild(state->current, node);
    else state->root = node;
    state->current = node;
}

void XMLCALL OnEnd(void* data, const XML_Char* name)
{
    BuildState* state = static_cast<BuildState*>(data);
    if (state->failed) return;
    --state->depth;
    if (state->current) state->current = state->current->parent;
}

void XMLCALL OnText(void* data, const XML_Char* text, int length)
{
    BuildState* state = static_cast<BuildState*>(data);
    if (state->failed || !state->current || length <= 0) return;
    // expat hands character data in pieces; one run between two tags is one text node.
    XmlNode* last = state->current->lastChild;
    if (last && last->kind == XML_NODE_TEXT) {
        size_t old = strlen(last->value);
        if (old + static_cast<size_t>(length) > kMaxInput) {
            Fail(state);
            return;
        }
        char* grown = static_cast<char*>(realloc(last->value, old + length + 1));
        if (!grown) {
            Fail(state);
            return;
        }
        memcpy(grown + old, text, length);
        grown[old + length] = '\0';
        last->value = grown;
        return;
    }
    XmlNode* node = NewNode(state, XML_NODE_TEXT, "", 0, text, length);
    if (node) AppendChild(state->current, node);
}

void XMLCALL OnEntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*)
{
    Fail(static_cast<BuildState*>(data));
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    // A document type can only bring entities (or references to undefined ones that expat then
    // skips quietly); none of the documents read here needs one.
    Fail(static_cast<BuildState*>(data));
}

int XMLCALL OnExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
{
    return XML_STATUS_ERROR;  // never fetch anything
}

}  // namespace

extern "C" __declspec(dllexport) void xmlFreeDocument(XmlNode* root)
{
    if (!root) return;
    root->parent = nullptr;
    FreeTree(root);
}

extern "C" __declspec(dllexport) XmlNode* xmlLoadString(int options, const char* text, int length)
{
    (void)options;
    if (!text) return nullptr;
    size_t size = length > 0 ? static_cast<size_t>(length) : strlen(text);
    if (size == 0 || size > kMaxInput) return nullptr;

    BuildState state{};
    state.parser = XML_ParserCreate(nullptr);
    if (!state.parser) return nullptr;
    XML_SetUserData(state.parser, &state);
    XML_SetElementHandler(state.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(state.parser, OnText);
    XML_SetEntityDeclHandler(state.parser, OnEntityDeclaration);
    XML_SetStartDoctypeDeclHandler(state.parser, OnDoctype);
    XML_SetExternalEntityRefHandler(state.parser, OnExternalEntity);
    XML_SetParamEntityParsing(state.parser, XML_PARAM_ENTITY_PARSING_NEVER);

    enum XML_Status status = XML_Parse(state.parser, text, static_cast<int>(size), XML_TRUE);
    XML_ParserFree(state.parser);
    if (status != XML_STATUS_OK || state.failed || !state.root || state.depth != 0) {
        xmlFreeDocument(state.root);
        return nullptr;
    }
    return state.root;
}

extern "C" __declspec(dllexport) XmlNode* xmlWalkNext(XmlNode* node, XmlNode* root, int descend)
{
    if (!node || !root) return nullptr;
    if (descend && node->firstChild) return node->firstChild;
    while (node && node != root) {
        if (node->next) return node->next;
        node = node->parent;
    }
    return nullptr;
}
