// Writing one contact through the store interface.
#include "contacts/CreateContactItem.h"

#include <string_view>
#include <utility>
#include <vector>

#include "store/ContactProperties.h"
#include "store/MAPIUtils.h"
#include "store/StoreError.h"

namespace mailferry::contacts {

namespace {

// The IM address field joins the three addresses with single spaces. Blanks at either end
// are dropped, so a record without IM addresses leaves the field empty instead of holding
// two spaces.
std::string joinedImAddress(const ContactRecord& record) {
  std::string joined = record.IMAddress1 + " " + record.IMAddress2 + " " + record.IMAddress3;
  const auto first = joined.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return joined.substr(first, joined.find_last_not_of(' ') - first + 1);
}

// The properties put by name, in the order Outlook's contact form would be filled.
std::vector<std::pair<std::string_view, std::string>> namedValues(const ContactRecord& r) {
  return {
      {"FirstName", r.FirstName},
      {"MiddleName", r.MiddleName},
      {"LastName", r.LastName},
      {"JobTitle", r.JobTitle},
      {"CompanyName", r.CompanyName},
      {"BusinessTelephoneNumber", r.BusinessTelephoneNumber},
      {"BusinessFaxNumber", r.BusinessFaxNumber},
      {"HomeTelephoneNumber", r.HomeTelephoneNumber},
      {"HomeFaxNumber", r.HomeFaxNumber},
      {"MobileTelephoneNumber", r.MobileTelephoneNumber},
      {"PagerNumber", r.PagerNumber},
      {"BusinessAddressStreet", r.BusinessAddressStreet},
      {"BusinessAddressCity", r.BusinessAddressCity},
      {"BusinessAddressState", r.BusinessAddressState},
      {"BusinessAddressPostalCode", r.BusinessAddressPostalCode},
      {"BusinessAddressCountry", r.BusinessAddressCountry},
      {"HomeAddressStreet", r.HomeAddressStreet},
      {"HomeAddressCity", r.HomeAddressCity},
      {"HomeAddressState", r.HomeAddressState},
      {"HomeAddressPostalCode", r.HomeAddressPostalCode},
      {"HomeAddressCountry", r.HomeAddressCountry},
      {"Email1Address", r.Email1Address},
      {"Email2Address", r.Email2Address},
      {"Email3Address", r.Email3Address},
      {"WebPage", r.WebPage},
      {"IMAddress", joinedImAddress(r)},
      {"Categories", r.Categories},
      {"Department", r.Department},
      {"OfficeLocation", r.OfficeLocation},
      {"Profession", r.JobTitle},
      {"ManagerName", r.ManagerName},
      {"AssistantName", r.AssistantName},
      {"Spouse", r.Spouse},
      {"Body", r.Notes},
  };
}

}  // namespace

std::optional<std::string> CreateContactItem(store::Session& session,
                                             const std::string& storeEntryId, int folderKind,
                                             const ContactRecord& record) {
  std::unique_ptr<store::Item> item;
  try {
    // Nothing is cached between contacts: the store and its folder are looked up each time.
    auto target = session.GetStoreFromID(storeEntryId);
    item = target.GetDefaultFolder(folderKind).Items().add(store::ItemList::kContactItem);
  } catch (const store::StoreFailure&) {
    throw;  // the run stops
  } catch (const store::StoreError& error) {
    return std::string(error.what());
  }

  for (const auto& [name, value] : namedValues(record)) {
    try {
      item->put(name, value);
    } catch (const store::StoreError&) {
      // A property the store refuses stays unset; the contact is still saved.
    }
  }

  const std::pair<pst::PropTag, store::MapiValue> direct[] = {
      {pst::tags::kBirthday, record.Birthday},
      {pst::tags::kWeddingAnniversary, record.Anniversary},
      {pst::tags::kDisplayNamePrefix, record.Title},
      {pst::tags::kGeneration, record.Suffix},
  };
  for (const auto& [tag, value] : direct) {
    try {
      store::MAPIUtils::HrSetOneProp(item->MAPIOBJECT(), tag, value, true);
    } catch (const store::StoreError&) {
    }
  }

  try {
    item->Save();
  } catch (const store::StoreFailure&) {
    throw;  // the run stops
  } catch (const store::StoreError& error) {
    return std::string(error.what());
  }
  return std::nullopt;
}

}  // namespace mailferry::contacts
