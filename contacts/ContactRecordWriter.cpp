// Filling a contact item from a ContactRecord.
#include "contacts/ContactRecordWriter.h"

#include <array>
#include <utility>

#include "store/ContactProperties.h"

namespace mailferry::contacts {

namespace {

std::string joinImAddresses(const ContactRecord& record) {
  std::string joined;
  for (const std::string* part : {&record.IMAddress1, &record.IMAddress2, &record.IMAddress3}) {
    if (part->empty()) continue;
    if (!joined.empty()) joined += ' ';
    joined += *part;
  }
  return joined;
}

}  // namespace

void writeContactRecord(const ContactRecord& record, pst::MessageSink& item) {
  const std::string imAddress = joinImAddresses(record);
  const std::array<std::pair<std::string_view, const std::string*>, 34> byName = {{
      {"FirstName", &record.FirstName},
      {"MiddleName", &record.MiddleName},
      {"LastName", &record.LastName},
      {"JobTitle", &record.JobTitle},
      {"CompanyName", &record.CompanyName},
      {"BusinessTelephoneNumber", &record.BusinessTelephoneNumber},
      {"BusinessFaxNumber", &record.BusinessFaxNumber},
      {"HomeTelephoneNumber", &record.HomeTelephoneNumber},
      {"HomeFaxNumber", &record.HomeFaxNumber},
      {"MobileTelephoneNumber", &record.MobileTelephoneNumber},
      {"PagerNumber", &record.PagerNumber},
      {"BusinessAddressStreet", &record.BusinessAddressStreet},
      {"BusinessAddressCity", &record.BusinessAddressCity},
      {"BusinessAddressState", &record.BusinessAddressState},
      {"BusinessAddressPostalCode", &record.BusinessAddressPostalCode},
      {"BusinessAddressCountry", &record.BusinessAddressCountry},
      {"HomeAddressStreet", &record.HomeAddressStreet},
      {"HomeAddressCity", &record.HomeAddressCity},
      {"HomeAddressState", &record.HomeAddressState},
      {"HomeAddressPostalCode", &record.HomeAddressPostalCode},
      {"HomeAddressCountry", &record.HomeAddressCountry},
      {"Email1Address", &record.Email1Address},
      {"Email2Address", &record.Email2Address},
      {"Email3Address", &record.Email3Address},
      {"WebPage", &record.WebPage},
      {"IMAddress", &imAddress},
      {"Categories", &record.Categories},
      {"Department", &record.Department},
      {"OfficeLocation", &record.OfficeLocation},
      {"Profession", &record.JobTitle},
      {"ManagerName", &record.ManagerName},
      {"AssistantName", &record.AssistantName},
      {"Spouse", &record.Spouse},
      {"Body", &record.Notes},
  }};

  store::ContactPropertyWriter writer(item);
  for (const auto& [name, value] : byName) writer.put(name, *value);
  writer.putTag(pst::tags::kBirthday, record.Birthday);
  writer.putTag(pst::tags::kWeddingAnniversary, record.Anniversary);
  writer.putTag(pst::tags::kDisplayNamePrefix, record.Title);
  writer.putTag(pst::tags::kGeneration, record.Suffix);
  writer.save();
}

}  // namespace mailferry::contacts
