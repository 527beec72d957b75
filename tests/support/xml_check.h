// A small checker of XML documents for the tests of the files the system writes as XML (the SVG
// picture of a split): well-formed (one root, tags balanced and named, attributes quoted and
// given once, "&" only in the five predefined references, no "<" in data), valid UTF-8 without
// control characters. It reads elements, attributes and character data; it does not know
// comments, CDATA, processing instructions after the declaration, or DTDs (none of which the
// system writes), and refuses them as malformed.
#pragma once

#include <map>
#include <string>
#include <vector>

struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;  // values with their references resolved
  std::string text;                               // character data directly inside
  int depth;                                      // 0 for the root
};

struct XmlDocument {
  std::vector<XmlElement> elements;  // in document order
  std::string error;                 // "" when the document is well-formed

  std::vector<const XmlElement*> All(const std::string& name) const;
};

XmlDocument ParseXml(const std::string& text);
