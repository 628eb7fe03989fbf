#include "import/xml_reader.h"

#include "companion/progress.h"
#include "import/graph_builder.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <new>

// Separates a namespace from the local name in the names expat reports.
static constexpr char namespaceSeparator = ' ';

XmlReader::XmlReader() : parser(XML_ParserCreateNS(nullptr, namespaceSeparator)) {
    // new has failed if expat could not allocate its parser.
    if (parser == nullptr)
        throw std::bad_alloc();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    // An external DTD subset, and parameter entities, are never read. A reference
    // to an external general entity reaches onExternalEntity, which refuses it
    // rather than loading anything.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetExternalEntityRefHandler(parser, onExternalEntity);
}

XmlReader::~XmlReader() {
    XML_ParserFree(parser);
}

FileStatus XmlReader::parse(const std::string& text) {
    // expat copies what it is given into a buffer of its own; pieces of a
    // megabyte reuse one buffer where the whole text would need a second copy.
    constexpr size_t piece = size_t{1} << 20;
    size_t at = 0;
    do {
        const size_t length = std::min(piece, text.size() - at);
        const bool last = at + length == text.size();
        if (XML_Parse(parser, text.data() + at, static_cast<int>(length), last) != XML_STATUS_OK) {
            if (outOfMemory || XML_GetErrorCode(parser) == XML_ERROR_NO_MEMORY)
                throw std::bad_alloc();
            if (!refusal.ok)
                return refusal;
            return {false, lineOf(XML_ErrorString(XML_GetErrorCode(parser)))};
        }
        at += length;
        reportReadShare(at, text.size());
    } while (at < text.size());
    return refusal;
}

void XmlReader::refuse(const std::string& why) {
    if (!refusal.ok)
        return;
    refusal = {false, lineOf(why)};
    XML_StopParser(parser, XML_FALSE);
}

const char* XmlReader::attribute(const char** attributes, const char* name) {
    for (; attributes[0] != nullptr; attributes += 2) {
        if (std::strcmp(attributes[0], name) == 0)
            return attributes[1];
    }
    return nullptr;
}

int32_t XmlReader::vertexOf(GraphBuilder& builder, const char** attributes, const char* name,
                            const char* element) {
    const char* const value = attribute(attributes, name);
    if (value == nullptr) {
        refuse(std::string(element) + " without a " + name);
        return -1;
    }
    const int32_t vertex = builder.vertexNamed(value);
    if (vertex < 0)
        refuse(tooManyVertices);
    return vertex;
}

void XmlReader::addEdge(GraphBuilder& builder, const char** attributes) {
    const int32_t source = vertexOf(builder, attributes, "source", "an edge");
    const int32_t target = source < 0 ? -1 : vertexOf(builder, attributes, "target", "an edge");
    if (target >= 0)
        builder.addEdge(source, target);
}

void XmlReader::onStart(void* reader, const char* name, const char** attributes) {
    auto* self = static_cast<XmlReader*>(reader);
    const std::string_view full(name);
    const size_t split = full.rfind(namespaceSeparator);
    self->guard([&] {
        if (split == std::string_view::npos)
            self->startElement({}, full, attributes);
        else
            self->startElement(full.substr(0, split), full.substr(split + 1), attributes);
    });
}

void XmlReader::onEnd(void* reader, const char*) {
    auto* self = static_cast<XmlReader*>(reader);
    self->guard([self] { self->endElement(); });
}

void XmlReader::onText(void* reader, const char* text, int length) {
    auto* self = static_cast<XmlReader*>(reader);
    self->guard([=] { self->text({text, static_cast<size_t>(length)}); });
}

template <typename Hook> void XmlReader::guard(const Hook& hook) {
    // An exception must not pass through expat, which is C: running out of
    // memory stops the parse, and parse throws it again once expat has returned.
    try {
        hook();
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
        XML_StopParser(parser, XML_FALSE);
    }
}

int XmlReader::onExternalEntity(XML_ParserStruct* parser, const char*, const char*,
                                const char* systemId, const char*) {
    auto* self = static_cast<XmlReader*>(XML_GetUserData(parser));
    self->refusal = {false, self->lineOf("refers to the external entity " +
                                         quote(systemId != nullptr ? systemId : "") +
                                         ", which is never loaded")};
    return XML_STATUS_ERROR;
}

std::string XmlReader::lineOf(const std::string& why) const {
    return "line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " + why;
}
