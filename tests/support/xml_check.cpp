#include "support/xml_check.h"

#include <cctype>

std::vector<const XmlElement*> XmlDocument::All(const std::string& name) const {
  std::vector<const XmlElement*> found;
  for (const XmlElement& e : elements)
    if (e.name == name) found.push_back(&e);
  return found;
}

namespace {

bool ValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    if (length == 1 && c < 0x20 && c != '\n' && c != '\r' && c != '\t') return false;
    i += length;
  }
  return true;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.'; }

// Resolves the references of character data; false on a bare "&" or an unknown entity.
bool Resolve(const std::string& raw, std::string* out) {
  static const std::map<std::string, std::string> kEntities = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
  out->clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '<') return false;
    if (raw[i] != '&') {
      out->push_back(raw[i]);
      continue;
    }
    const size_t end = raw.find(';', i);
    if (end == std::string::npos) return false;
    auto found = kEntities.find(raw.substr(i + 1, end - i - 1));
    if (found == kEntities.end()) return false;
    *out += found->second;
    i = end;
  }
  return true;
}

}  // namespace

XmlDocument ParseXml(const std::string& text) {
  XmlDocument doc;
  auto fail = [&](const std::string& why, size_t at) {
    doc.error = why + " at byte " + std::to_string(at);
    return doc;
  };
  if (!ValidUtf8(text)) return fail("not UTF-8 or a control character", 0);
  size_t i = 0;
  if (text.rfind("<?xml ", 0) == 0) {
    i = text.find("?>");
    if (i == std::string::npos) return fail("unended declaration", 0);
    i += 2;
  }
  std::vector<size_t> open;  // indexes into doc.elements
  int roots = 0;
  while (i < text.size()) {
    const size_t lt = text.find('<', i);
    std::string data;
    if (!Resolve(text.substr(i, (lt == std::string::npos ? text.size() : lt) - i), &data))
      return fail("bad character data", i);
    if (open.empty()) {
      if (data.find_first_not_of(" \r\n\t") != std::string::npos) return fail("text outside the root", i);
    } else {
      doc.elements[open.back()].text += data;
    }
    if (lt == std::string::npos) break;
    const size_t gt = text.find('>', lt);
    if (gt == std::string::npos) return fail("unended tag", lt);
    std::string tag = text.substr(lt + 1, gt - lt - 1);
    i = gt + 1;
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || doc.elements[open.back()].name != tag.substr(1)) return fail("unmatched end tag", lt);
      open.pop_back();
      continue;
    }
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.pop_back();
    XmlElement element;
    size_t k = 0;
    while (k < tag.size() && IsNameChar(tag[k])) element.name.push_back(tag[k++]);
    if (element.name.empty()) return fail("tag without a name", lt);
    while (k < tag.size()) {
      if (tag[k] == ' ' || tag[k] == '\n') {
        ++k;
        continue;
      }
      std::string name;
      while (k < tag.size() && IsNameChar(tag[k])) name.push_back(tag[k++]);
      if (name.empty() || k + 1 >= tag.size() || tag[k] != '=' || tag[k + 1] != '"') return fail("bad attribute", lt);
      const size_t close = tag.find('"', k + 2);
      if (close == std::string::npos) return fail("unended attribute", lt);
      std::string value;
      if (!Resolve(tag.substr(k + 2, close - k - 2), &value)) return fail("bad attribute value", lt);
      if (!element.attributes.emplace(name, value).second) return fail("attribute given twice", lt);
      k = close + 1;
    }
    if (open.empty() && ++roots > 1) return fail("second root", lt);
    element.depth = static_cast<int>(open.size());
    doc.elements.push_back(element);
    if (!empty) open.push_back(doc.elements.size() - 1);
  }
  if (!open.empty()) return fail("unclosed element " + doc.elements[open.back()].name, text.size());
  if (roots != 1) return fail("no root", 0);
  return doc;
}

