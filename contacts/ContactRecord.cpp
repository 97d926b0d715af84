// Trimming of a contact record's text fields before it is written.
#include "contacts/ContactRecord.h"

#include <array>

namespace mailferry::contacts {

namespace {

constexpr std::array kTextFields = {
    &ContactRecord::FirstName,
    &ContactRecord::MiddleName,
    &ContactRecord::LastName,
    &ContactRecord::Suffix,
    &ContactRecord::Title,
    &ContactRecord::Email1Address,
    &ContactRecord::Email2Address,
    &ContactRecord::Email3Address,
    &ContactRecord::CompanyName,
    &ContactRecord::JobTitle,
    &ContactRecord::BusinessAddressStreet,
    &ContactRecord::BusinessAddressCity,
    &ContactRecord::BusinessAddressPostalCode,
    &ContactRecord::BusinessAddressState,
    &ContactRecord::BusinessAddressCountry,
    &ContactRecord::OfficeLocation,
    &ContactRecord::WebPage,
    &ContactRecord::Department,
    &ContactRecord::ManagerName,
    &ContactRecord::AssistantName,
    &ContactRecord::BusinessTelephoneNumber,
    &ContactRecord::BusinessFaxNumber,
    &ContactRecord::MobileTelephoneNumber,
    &ContactRecord::PagerNumber,
    &ContactRecord::IMAddress1,
    &ContactRecord::IMAddress2,
    &ContactRecord::IMAddress3,
    &ContactRecord::HomeAddressStreet,
    &ContactRecord::HomeAddressCity,
    &ContactRecord::HomeAddressPostalCode,
    &ContactRecord::HomeAddressState,
    &ContactRecord::HomeAddressCountry,
    &ContactRecord::Spouse,
    &ContactRecord::HomeTelephoneNumber,
    &ContactRecord::HomeFaxNumber,
    &ContactRecord::Notes,
    &ContactRecord::Categories,
};

void trimSpaces(std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, first);
}

}  // namespace

void trimTextFields(ContactRecord& record) {
  for (auto field : kTextFields) trimSpaces(record.*field);
}

}  // namespace mailferry::contacts
