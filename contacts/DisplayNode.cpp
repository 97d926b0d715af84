// The contact file reader's walk and its rule table.
#include "contacts/DisplayNode.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "contacts/ContactDateText.h"

namespace mailferry::contacts {

namespace {

using Field = std::string ContactRecord::*;

struct ElementRule {
  std::string_view element;
  Field field;
};

// Elements whose text is stored in one field as it stands; a later occurrence overwrites.
constexpr std::array kPlainElements = {
    ElementRule{"c:GivenName", &ContactRecord::FirstName},
    ElementRule{"c:MiddleName", &ContactRecord::MiddleName},
    ElementRule{"c:FamilyName", &ContactRecord::LastName},
    ElementRule{"c:Title", &ContactRecord::Title},
    ElementRule{"c:Suffix", &ContactRecord::Suffix},
    ElementRule{"c:Company", &ContactRecord::CompanyName},
    ElementRule{"c:Office", &ContactRecord::OfficeLocation},
    ElementRule{"c:JobTitle", &ContactRecord::JobTitle},
    ElementRule{"c:Department", &ContactRecord::Department},
    ElementRule{"c:Notes", &ContactRecord::Notes},
};

struct AddressRule {
  std::string_view element;
  Field business;
  Field home;
};

// Postal address parts go to the business block until any "Business" label has been met in
// the file, and to the home block from then on.
constexpr std::array kAddressElements = {
    AddressRule{"c:Street", &ContactRecord::BusinessAddressStreet,
                &ContactRecord::HomeAddressStreet},
    AddressRule{"c:Locality", &ContactRecord::BusinessAddressCity, &ContactRecord::HomeAddressCity},
    AddressRule{"c:Region", &ContactRecord::BusinessAddressState, &ContactRecord::HomeAddressState},
    AddressRule{"c:PostalCode", &ContactRecord::BusinessAddressPostalCode,
                &ContactRecord::HomeAddressPostalCode},
    AddressRule{"c:Country", &ContactRecord::BusinessAddressCountry,
                &ContactRecord::HomeAddressCountry},
};

constexpr std::array kEmailFields = {&ContactRecord::Email1Address, &ContactRecord::Email2Address,
                                     &ContactRecord::Email3Address};

bool containsWebScheme(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("http:") != std::string::npos || lower.find("https:") != std::string::npos;
}

void fillIfEmpty(std::string& field, const std::string& value) {
  if (field.empty()) field = value;
}

// The rows keyed on a "c:Label" text: phone kinds, the place of a phone, web page and dates.
void applyLabel(std::string_view label, ContactRecord& record, NodeWalkState& state) {
  const std::string& prevText = state.PrevText;
  const std::string_view prevElement = state.PrevElementName;

  if (label == "Business") state.BusinessSeen = true;

  if (prevElement == "c:Number") {
    if (label == "Pager") record.PagerNumber = prevText;
    if (label == "Cellular") record.MobileTelephoneNumber = prevText;
    if (label == "Fax") state.LastFaxNumber = prevText;
    if (label == "Voice") state.LastVoiceNumber = prevText;
  }

  // The place label follows the kind label of the same number; the first number of each
  // kind and place wins.
  if (prevElement == "c:Label") {
    if (label == "Business" && prevText == "Fax") {
      fillIfEmpty(record.BusinessFaxNumber, state.LastFaxNumber);
    }
    if (label == "Business" && prevText == "Voice") {
      fillIfEmpty(record.BusinessTelephoneNumber, state.LastVoiceNumber);
    }
    if (label == "Personal" && prevText == "Fax") {
      fillIfEmpty(record.HomeFaxNumber, state.LastFaxNumber);
    }
    if (label == "Personal" && prevText == "Voice") {
      fillIfEmpty(record.HomeTelephoneNumber, state.LastVoiceNumber);
    }
  }

  if (prevElement == "c:Value") {
    if (label == "Business" && containsWebScheme(prevText)) record.WebPage = prevText;
    // A value that is no date is skipped; the rest of the file is still read.
    if (label == "wab:Birthday") {
      if (auto date = readContactDate(prevText)) record.Birthday = date;
    }
    if (label == "wab:Anniversary") {
      if (auto date = readContactDate(prevText)) record.Anniversary = date;
    }
  }
}

bool isText(pugi::xml_node node) {
  return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

constexpr std::string_view kContactNamespace = "http://schemas.microsoft.com/Contact";

// The namespace `prefix` is bound to where `element` stands ("" for the default namespace), or
// nullptr when no declaration is in scope.
const char* namespaceOf(pugi::xml_node element, std::string_view prefix) {
  const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
  for (pugi::xml_node node = element; node; node = node.parent()) {
    if (pugi::xml_attribute bound = node.attribute(attribute.c_str())) return bound.value();
  }
  return nullptr;
}

// An element's name as the rules know it: namespaces bind by URI, not by prefix, so an element
// of the contact namespace is "c:" + its local name whatever prefix (or none) the file uses.
std::string contactName(pugi::xml_node element) {
  const std::string_view name = element.name();
  if (name.starts_with("c:")) return std::string(name);  // the prefix Windows writes
  const std::size_t colon = name.find(':');
  const std::string_view prefix = colon == std::string_view::npos ? "" : name.substr(0, colon);
  const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
  const char* uri = namespaceOf(element, prefix);
  if (uri != nullptr && uri == kContactNamespace) return "c:" + std::string(local);
  return std::string(name);
}

}  // namespace

void applyTextNode(std::string_view parent, std::string_view text, ContactRecord& record,
                   NodeWalkState& state) {
  if (parent == "c:Type" && text == "SMTP") {
    state.EmailPending = true;
    ++state.EmailCount;
  }
  if (parent == "c:Address" && state.EmailPending && state.EmailCount >= 1 &&
      state.EmailCount <= 3) {
    record.*kEmailFields[state.EmailCount - 1] = text;
    state.EmailPending = false;
  }
  for (const auto& rule : kPlainElements) {
    if (parent == rule.element) record.*rule.field = text;
  }
  for (const auto& rule : kAddressElements) {
    if (parent == rule.element) record.*(state.BusinessSeen ? rule.home : rule.business) = text;
  }
  if (parent == "c:Label") applyLabel(text, record, state);

  state.PrevElementName = parent;
  state.PrevText = text;
}

void DisplayNode(pugi::xml_object_range<pugi::xml_node_iterator> nodes, ContactRecord& record,
                 NodeWalkState& state) {
  for (pugi::xml_node top : nodes) {
    pugi::xml_node node = top;
    while (true) {
      if (isText(node)) {
        // Adjacent text and CDATA pieces are one text, as an XML reader reports them.
        std::string text = node.value();
        while (isText(node.next_sibling())) {
          node = node.next_sibling();
          text += node.value();
        }
        const std::string parent = contactName(node.parent());
        applyTextNode(parent, text, record, state);
      }
      if (pugi::xml_node child = node.first_child()) {
        node = child;
        continue;
      }
      while (node != top && !node.next_sibling()) node = node.parent();
      if (node == top) break;
      node = node.next_sibling();
    }
  }
}

}  // namespace mailferry::contacts
