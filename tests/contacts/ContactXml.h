// Builds the text of Windows Contacts files for the tests and writes them into a temporary
// folder, laid out as Windows Contacts writes them.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "pst/Utf.h"
#include "tests/support/TempFolder.h"

namespace mailferry::contacts::testing {

using mailferry::testing::TempFolder;

// The pieces of a contact file; each returns the XML of one collection entry.
inline std::string contactDocument(std::string_view body) {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<c:contact c:Version=\"1\" xmlns:c=\"http://schemas.microsoft.com/Contact\" "
             "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
             "xmlns:MSP2P=\"http://schemas.microsoft.com/Contact/Extended/MSP2P\" "
             "xmlns:MSWABMAPI=\"http://schemas.microsoft.com/Contact/Extended/MSWABMAPI\">\n"
             "\t<c:CreationDate>2009-03-14T10:11:12Z</c:CreationDate>"
             "<c:Extended xsi:nil=\"true\"/>\n") +
         std::string(body) + "</c:contact>\n";
}

inline std::string nameCollection(std::string_view given, std::string_view family,
                                  std::string_view middle = {}, std::string_view title = {},
                                  std::string_view suffix = {}) {
  std::string xml = "\t<c:NameCollection><c:Name c:ElementID=\"n1\">\n";
  xml += "\t\t<c:FormattedName>" + std::string(given) + " " + std::string(family) +
         "</c:FormattedName>\n";
  if (!title.empty()) xml += "\t\t<c:Title>" + std::string(title) + "</c:Title>\n";
  if (!given.empty()) xml += "\t\t<c:GivenName>" + std::string(given) + "</c:GivenName>\n";
  if (!middle.empty()) xml += "\t\t<c:MiddleName>" + std::string(middle) + "</c:MiddleName>\n";
  if (!family.empty()) xml += "\t\t<c:FamilyName>" + std::string(family) + "</c:FamilyName>\n";
  if (!suffix.empty()) xml += "\t\t<c:Suffix>" + std::string(suffix) + "</c:Suffix>\n";
  xml += "\t</c:Name></c:NameCollection>\n";
  return xml;
}

inline std::string emailAddress(std::string_view address, std::string_view type = "SMTP") {
  return "\t\t<c:EmailAddress c:ElementID=\"e\"><c:Type>" + std::string(type) +
         "</c:Type><c:Address>" + std::string(address) +
         "</c:Address><c:LabelCollection><c:Label>Preferred</c:Label></c:LabelCollection>"
         "</c:EmailAddress>\n";
}

inline std::string collection(std::string_view name, std::string_view entries) {
  return "\t<c:" + std::string(name) + ">\n" + std::string(entries) + "\t</c:" + std::string(name) +
         ">\n";
}

inline std::string labels(std::string_view first, std::string_view second = {}) {
  std::string xml = "<c:LabelCollection><c:Label>" + std::string(first) + "</c:Label>";
  if (!second.empty()) xml += "<c:Label>" + std::string(second) + "</c:Label>";
  return xml + "</c:LabelCollection>";
}

inline std::string phoneNumber(std::string_view number, std::string_view first,
                               std::string_view second = {}) {
  return "\t\t<c:PhoneNumber c:ElementID=\"p\"><c:Number>" + std::string(number) + "</c:Number>" +
         labels(first, second) + "</c:PhoneNumber>\n";
}

inline std::string physicalAddress(std::string_view street, std::string_view city,
                                   std::string_view region, std::string_view postalCode,
                                   std::string_view country, std::string_view label) {
  return "\t\t<c:PhysicalAddress c:ElementID=\"a\"><c:Street>" + std::string(street) +
         "</c:Street><c:Locality>" + std::string(city) + "</c:Locality><c:Region>" +
         std::string(region) + "</c:Region><c:PostalCode>" + std::string(postalCode) +
         "</c:PostalCode><c:Country>" + std::string(country) + "</c:Country>" + labels(label) +
         "</c:PhysicalAddress>\n";
}

inline std::string url(std::string_view value, std::string_view label) {
  return "\t\t<c:Url c:ElementID=\"u\"><c:Value>" + std::string(value) + "</c:Value>" +
         labels(label) + "</c:Url>\n";
}

inline std::string date(std::string_view value, std::string_view label) {
  return "\t\t<c:Date c:ElementID=\"d\"><c:Value>" + std::string(value) + "</c:Value>" +
         labels(label) + "</c:Date>\n";
}

inline std::string position(std::string_view company, std::string_view jobTitle,
                            std::string_view department, std::string_view office) {
  return "\t<c:PositionCollection><c:Position c:ElementID=\"o\"><c:Company>" +
         std::string(company) + "</c:Company><c:Department>" + std::string(department) +
         "</c:Department><c:JobTitle>" + std::string(jobTitle) + "</c:JobTitle><c:Office>" +
         std::string(office) + "</c:Office>" + labels("Business") +
         "</c:Position></c:PositionCollection>\n";
}

inline std::string notes(std::string_view text) {
  return "\t<c:Notes>" + std::string(text) + "</c:Notes>\n";
}

// The text as UTF-16LE with a byte-order mark.
inline std::string toUtf16LeWithBom(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : pst::toUtf16(utf8)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace mailferry::contacts::testing
