// The node record of xml.dll, shared by the library and the program that walks its documents.
// A document is a tree of nodes owned by the library: xmlLoadString makes it, xmlFreeDocument
// releases it. The program reads kind, name, value and parent; the links are for walking.
#pragma once

enum XmlNodeKind {
    XML_NODE_ELEMENT = 0,   // name = element name, value = "" (attributes are not kept)
    XML_NODE_TEXT = 4,      // value = the character data between two tags, name = ""
};

struct XmlNode {
    int kind;               // XML_NODE_ELEMENT or XML_NODE_TEXT
    char* name;             // never null; UTF-8
    char* value;            // never null; UTF-8
    XmlNode* parent;        // null for the root element
    XmlNode* firstChild;
    XmlNode* lastChild;
    XmlNode* next;          // next sibling
};

// xmlLoadString (options, text, length): parses text (length bytes, or up to its NUL when
// length is 0; options is unused, pass 0). Returns the root element of a new document, or null
// when the text is not well-formed XML, declares entities or a document type, nests deeper
// than 256 elements, holds more than 100 000 nodes or is larger than 4 MB.
typedef XmlNode* (*XmlLoadStringFn)(int options, const char* text, int length);
// xmlWalkNext (node, root, descend): the node after node in document order, staying inside
// root's tree (children first when descend is non-zero, else the next sibling or an
// ancestor's); null at the end.
typedef XmlNode* (*XmlWalkNextFn)(XmlNode* node, XmlNode* root, int descend);
// xmlFreeDocument (root): releases a document made by xmlLoadString; null is allowed.
typedef void (*XmlFreeDocumentFn)(XmlNode* root);
