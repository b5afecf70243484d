#pragma once

// Fixed texts and location codes of the Tally link.

namespace tally {

// Location codes of the trapped procedures, as they appear in error reports.
inline constexpr char locationSendTallyRequest[] = "C02-0001";
inline constexpr char locationIndentXmlDocument[] = "C02-0002";
inline constexpr char locationIndentXmlNode[] = "C02-0003";
inline constexpr char locationCreateImportEnvelope[] = "C02-0004";
inline constexpr char locationParseTallyResponse[] = "C02-0009";
inline constexpr char locationAddXmlAttribute[] = "C02-0011";
inline constexpr char locationAddXmlElement[] = "C02-0012";
inline constexpr char locationAddXmlElementIfValue[] = "C02-0013";

// The company name that stands for whatever company is open in Tally: requests for it name no company.
inline constexpr char currentlySelectedCompany[] = "CURRENTLY SELECTED COMPANY IN TALLY";

// What GetTallyVersion says when the server answers without a RESPONSE element.
inline constexpr char defaultServerVersion[] = "Tally ees 6.3 Server is Running.";

// First entry of the company list when the server could not be asked.
inline constexpr char noCompanyFound[] = "No Company Found.";

} // namespace tally
