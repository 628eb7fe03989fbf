// XML read with expat, set up so that no external entity and no external DTD is
// ever loaded, and with expat's limit on entity expansion (its protection from
// "billion laughs") left on. The GraphML and GEXF readers derive from it.
#pragma once

#include "import/graph_builder.h"
#include "io/file_system.h"

#include <string>
#include <string_view>

struct XML_ParserStruct;

class XmlReader {
  public:
    XmlReader();
    virtual ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Parses text, calling the hooks below for what it holds. Returns the outcome;
    // a refusal's reason starts with "line N: ". Throws std::bad_alloc when
    // memory runs out. Call it once per reader.
    FileStatus parse(const std::string& text);

  protected:
    // An element starts: its namespace ("" for none), its local name and its
    // attributes as a null-terminated list of name and value pairs (a prefixed
    // name is its namespace, a space and its local name).
    virtual void startElement(std::string_view space, std::string_view name,
                              const char** attributes) = 0;
    // The element last started ends.
    virtual void endElement() = 0;
    // Text within an element, in one or more pieces.
    virtual void text(std::string_view) {}

    // Ends the parse from within a hook: it fails with why, at the current line.
    void refuse(const std::string& why);
    // Returns the value of the attribute called name, nullptr when there is none.
    static const char* attribute(const char** attributes, const char* name);
    // Returns the vertex of builder that the attribute called name names, adding
    // it when new; refuses, and returns -1, when element (as a message calls it)
    // has no such attribute or the graph no room for another vertex.
    int32_t vertexOf(GraphBuilder& builder, const char** attributes, const char* name,
                     const char* element);
    // Adds to builder the edge from the vertex the attribute "source" names to
    // the one "target" names, adding either when new; refuses as vertexOf does.
    void addEdge(GraphBuilder& builder, const char** attributes);

  private:
    static void onStart(void* reader, const char* name, const char** attributes);
    static void onEnd(void* reader, const char* name);
    static void onText(void* reader, const char* text, int length);
    static int onExternalEntity(XML_ParserStruct* parser, const char* context, const char* base,
                                const char* systemId, const char* publicId);
    std::string lineOf(const std::string& why) const;
    // Runs hook, a call into the reader from expat, catching std::bad_alloc.
    template <typename Hook> void guard(const Hook& hook);

    XML_ParserStruct* parser; // the expat parser, made with the reader
    FileStatus refusal;       // why a hook ended the parse; ok when none did
    bool outOfMemory = false; // whether a hook ran out of memory
};
