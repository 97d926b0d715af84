// The flat record of one contact's fields, named after the Outlook contact properties they
// feed, and the small state the reader carries from one text node to the next.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace mailferry::contacts {

// A calendar date without time of day or zone; unset when the file gave none.
using ContactDate = std::optional<std::chrono::year_month_day>;

// Text is UTF-8. Field order follows the writer's use; ManagerName, AssistantName,
// IMAddress1-3, Spouse and Categories are never filled from a file but are still written.
struct ContactRecord {
  std::string FirstName;
  std::string MiddleName;
  std::string LastName;
  std::string Suffix;
  std::string Title;
  std::string Email1Address;
  std::string Email2Address;
  std::string Email3Address;
  std::string CompanyName;
  std::string JobTitle;
  std::string BusinessAddressStreet;
  std::string BusinessAddressCity;
  std::string BusinessAddressPostalCode;
  std::string BusinessAddressState;
  std::string BusinessAddressCountry;
  std::string OfficeLocation;
  std::string WebPage;
  std::string Department;
  std::string ManagerName;
  std::string AssistantName;
  std::string BusinessTelephoneNumber;
  std::string BusinessFaxNumber;
  std::string MobileTelephoneNumber;
  std::string PagerNumber;
  std::string IMAddress1;
  std::string IMAddress2;
  std::string IMAddress3;
  std::string HomeAddressStreet;
  std::string HomeAddressCity;
  std::string HomeAddressPostalCode;
  std::string HomeAddressState;
  std::string HomeAddressCountry;
  std::string Spouse;
  std::string HomeTelephoneNumber;
  std::string HomeFaxNumber;
  ContactDate Birthday;
  ContactDate Anniversary;
  std::string Notes;
  std::string Categories;

  bool operator==(const ContactRecord&) const = default;
};

// Carried across the text nodes of one file; a default-constructed state is the initial one.
struct NodeWalkState {
  std::string PrevElementName;
  std::string PrevText;
  bool EmailPending = false;
  int EmailCount = 0;
  bool BusinessSeen = false;
  std::string LastFaxNumber;
  std::string LastVoiceNumber;
};

// Removes leading and trailing blanks (spaces only) from every text field, as the run does
// before a record is written.
void trimTextFields(ContactRecord& record);

}  // namespace mailferry::contacts
