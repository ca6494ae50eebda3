// The dispatch table: one row per application key, in list order, with the steps of its scan
// and of its removal as the special uninstall runs them; and the keys' product codes.
#include <map>

#include "special/SpecialDispatch.h"
#include "special/profiles/ProfileUnits.h"

namespace ku {

namespace {

using namespace profiles;

DispatchStep Op(StepOp op) {
    return {op, std::string()};
}
const DispatchStep S = Op(StepOp::ScanProfile), M = Op(StepOp::PumpMessages),
                   X = Op(StepOp::SearchCodes), L = Op(StepOp::SearchLocations),
                   KA = Op(StepOp::KillAllUser), P = Op(StepOp::StopProcesses),
                   U = Op(StepOp::RunProfile), R = Op(StepOp::RemoveRegistry),
                   F = Op(StepOp::RemoveFiles), N = Op(StepOp::RenameProducts),
                   E1 = Op(StepOp::DeleteWinsc32Ini), E2 = Op(StepOp::ScheduleLinkAdvisor);
DispatchStep C(const char* code) {
    return {StepOp::SearchCode, code};
}
DispatchStep I(const char* names) {
    return {StepOp::FindProductsByName, names};
}
DispatchStep K(const char* name) {
    return {StepOp::KillByName, name};
}
DispatchStep W(int ms) {
    return {StepOp::Wait, "", ms};
}

DispatchRow Row(const char* key, const ProfileRow& profile, std::vector<DispatchStep> scan,
                std::vector<DispatchStep> removal) {
    return {key, &profile, &profile, std::move(scan), std::move(removal)};
}
// A key whose scan and removal belong to two profiles.
DispatchRow Row(const char* key, const ProfileRow& scanProfile, std::vector<DispatchStep> scan,
                const ProfileRow& removalProfile, std::vector<DispatchStep> removal) {
    return {key, &scanProfile, &removalProfile, std::move(scan), std::move(removal)};
}

} // namespace

const std::vector<DispatchRow>& DispatchRows() {
    // clang-format off
    static const std::vector<DispatchRow> rows{
    Row("3DEarth", Unit3DEarth::Row, {S}, {U, F}),
    Row("3dsmax2008", Unit3dsmax2008::Row, {X, L}, {U, R, F}),
    Row("AcronisTrueImage11", AcronisTrueImage11::Row, {X, S}, {U, R, F}),
    Row("Ad2007", UnitAdAware2007::Row, {X, L}, {P, U, R, F}),
    Row("AdobeReader500", unitAdobeReader50::Row, {S}, {U, R, F}),
    Row("AdobeReader601", UnitAdobeReader601::Row, {X, L}, {U, R, F}),
    Row("AdobeReader700", UnitAdobeReader700::Row, {X, L}, {U, R, F}),
    Row("AdobeReader708", UnitAdobeReader708::Row, {X, L}, {U, R, F}),
    Row("AdobeReader800", UnitAdobeReader800::Row, {X, L}, {U, R, F}),
    Row("AdobeReader810", UnitAdobeReader810::Row, {S}, {U, R, F}),
    Row("AdobeReader811", UnitAdobeReader811::Row,
        {C("68AB67CA7DA73301B7448A1100000030"), S}, {U, R, F}),
    Row("AdobeReader812", UnitAdobeReader812::Row, {X, L}, {U, R, F}),
    Row("AdobeReader90", AdobeReader90::Row, {X, S}, {U, R, F}),
    Row("AdobeAudi30", AdobeAudi30::Row, {I("Adobe Audition"), S}, {U, R, F, N}),
    Row("IllustratorCS2V12", AdobeIllustratorCS2V12::Row, {X, S}, {U, R, F}),
    Row("InDesignCS2", UnitAdobeInDesignCS2::Row, {S}, {P, U, F}),
    Row("PhotoDeluxe40", UnitAdobePhotoDeluxeHomeEdition40::Row, {S}, {U, F}),
    Row("Photoshop70", Unitphotoshop70::Row, {S}, {U, F}),
    Row("AdobePhoCS3", AdobePhoCS3::Row, {X, S}, {U, R, F}),
    Row("PhotoshopElem20", PhotoshopElem20::Row, {S}, {U, R, F}),
    Row("AdvRegOpt20", UnitAdRegOpt20::Row, {S}, {U, R, F}),
    Row("AOLComputer43", UnitAOLComputerCheck43::Row, {S}, {K("aolsoftware.exe"), U, F}),
    Row("aol", UnitAol::Row, {S}, {U, F}),
    Row("WinOptimizer4", AshampooWinOptimizer45::Row, {S}, {U, F}),
    Row("AvastAntivirus48", UnitAvastAntivirus48::Row, {S}, {U, F}),
    Row("AntivirPE", UnitAntivirPersonalEdition::Row, {S}, {U, F}),
    Row("Antivirus2008", UnitBitDefenderAntivirus2008::Row, {S}, {U, F}),
    Row("BlackBerry42", UnitBlackBerry::Row, {X, L, S}, {U, R, F}),
    Row("Calendar12", UnitCalendar12::Row, {C("1DC6F57E51D465D4C8CD56F318D8074B"), S}, {U, R, F}),
    Row("CachemanXP1701", CachemanXP1701::Row, {S}, {KA, U, F}),
    Row("CA_AntiSpam", CA_AntiSpam::Row, {X, S}, {P, U, R, F, E2}),
    Row("CADeskMig2007", UnitCADeskMig2007::Row, {X, L}, {P, U, R, F}),
    Row("CA2008", UnitCAAntiSpam2008::Row, {X, S}, {U, R, F}),
    Row("CAPlus2008", UnitCAPlus2008::Row, {X, S}, {U, R, F}),
    Row("CAFirewall", UnitCAPersonalFirewall::Row, {S}, {U, F}),
    Row("Codecs5", Codecs5::Row, {S}, {U, F}),
    Row("CoffeeCupHtml2008", CoffeeCupHtml2008::Row, {S}, {K("Coffee.exe"), U, R, F}),
    Row("ComodoAntiSpam2005", UnitComodoAntiSpam2005::Row, {S}, {U, F}),
    Row("ComodoFWPro", UnitComodoFirewall::Row, {S}, {U, F}),
    Row("CopernicAgBa6", CopernicAgBa6::Row, {S}, {U, R, F}),
    Row("CyberDefender", CyberDefender::Row, {S}, {U, R, F}),
    Row("DeskSpace15", DeskSpace15::Row, {S}, {U, R, F}),
    Row("DirectX9", DirectX9::Row, {S}, {U, R, F}),
    Row("dvd43", UnitDvd43::Row, {S}, {P, W(300), U, F}),
    Row("Easympeg", UnitEasympeg33462::Row, {X, L}, {U, R, F}),
    Row("ErrorSmart", UnitErrorSmart::Row, {S}, {K("ErrorSmart.exe"), U, F}),
    Row("ERMIC72", UnitERMIC72::Row, {S}, {U, F}),
    Row("FSMemMag4", UnitFSoftMemManager::Row, {S}, {K("MemoryManager.exe"), U, R, F}),
    Row("Fixit8", Fixit8::Row, {X, S}, {U, R, F}),
    Row("FSecureIS2008", FSecureIS2008::Row, {S}, {U, R, F}),
    Row("Handycafe21", UnitHandycafe21::Row, {S}, {U, F}),
    Row("HPOPL7680", UnitHPOPL7680::Row, {X, S}, {K("hpqtra08.exe"), U, R, F}),
    Row("iFinger", UnitiFinger::Row, {X, L}, {U, F}),
    Row("IEAntiVirus", IEAntiVirus::Row, {S}, {U, R, F}),
    Row("Imesh49", UnitImesh49::Row, {S}, {U, F}),
    Row("IncrediMail5", IncrediMail5::Row, {S}, {U, R, F}),
    Row("IE80", UnitIE80::Row, {S}, {U, F}),
    Row("SystemMechanic7", Unitiolo::Row, {S}, {U, R, F}),
    Row("LavaFirewall20", UnitLavasoftFirewall::Row, {X, S}, {U, R, F}),
    Row("Lexmark1400", UnitLexmark1400::Row,
        {C("D6461317C3DC4F04799BDCE9E42626FE"), S},
        {K("lxdjamon.exe"), K("lxdjcoms.exe"), U, R, F}),
    Row("KasperskyAV5", KasperskyAV5::Row, {S}, {P, U, R, F}),
    Row("KasperskyInternet70", KasperskyInternetSecurityV7::Row, {X, S}, {F, R, U}),
    Row("FlashPlayer60", UnitMacromediaFlashPlayer60::Row, {}, {U}),
    Row("MBElectionalAstrology14", MBElectionalAstrology14::Row, {}, {U}),
    Row("ActiveSync4x", MSActiveSync4X::Row, {X, S}, {U, F}),
    Row("MPLABIDE8", MPLABIDE8::Row, {X, S}, {K("MPLAB.exe"), U, R, F}),
    Row("NaomiWF", NaomiWF::Row, {S}, {P, U, R, F}),
    Row("Netscape7", UnitNetscape7::Row, {S}, {U, F}),
    Row("NEO", NEOPro::Row, {S}, {U, F, E1}),
    Row("Nokiasoftwareupdater", UnitNokiaUpdater::Row, {X, S}, {U, R, F}),
    Row("NortonWorks2008", UnitNortonSystemWorks2008::Row, {S}, {U, F}),
    Row("NTIBackupNow47", UnitNTIBackupNOW47::Row, {S}, {U, F}),
    Row("NTICDAndDVDMaker7", UnitNTICDAndDVDMaker70::Row, {S}, {U, F}),
    Row("OpenOffice22", UnitOpenOffice22::Row, {X, L}, {U, F}),
    Row("Opera8", Unitopera8::Row, {S}, {U, R, F}),
    Row("MightyMax9", UnitPCMightyMax9::Row, {S}, {U, R, F}),
    Row("PCSecurity64", UnitPCSecurity64::Row, {S}, {P, W(1000), U, F, E1}),
    Row("PCSpeedScanPro12", UnitPcSpeedscanPro12::Row, {S}, {U, F}),
    Row("PBNMAccess", Unitpmsetup::Row, {S}, UnitAdobePhotoDeluxeHomeEdition40::Row, {U, F}),
    Row("quicktime", UnitAppleQuick::Row, {X, L}, {P, W(2000), U, R, F}),
    Row("RailDriver1407", RailDriver1407::Row, {S}, {U, R, F}),
    Row("RealPlayer11", RealPlayer11::Row, {S}, {U, R, F}),
    Row("RediffBol80", UnitRediffBol8::Row, {S}, {K("RediffMessenger.exe"), U, F}),
    Row("RegistryBooster2", UnitRegistryBooster2::Row, {S}, {U, F}),
    Row("RADMIN2", RADMIN2::Row, {S}, {P, U, R, F}),
    Row("RivaTuner2", UnitRivaTuner2::Row, {S}, {U, F}),
    Row("EasyMediaCreator705", UnitRoxioEasyMeidaCreator705::Row, {S}, {U, F}),
    Row("RoxioGoback30", UnitRoxioGoback30::Row, {S}, {U, F}),
    Row("SonyEricssonPC32", SonyEricssonPC32::Row, {S}, {K("SEPCSuite.exe"), U, R, F}),
    Row("SpyBot", Unitspybotsd152::Row, {S}, {U, R, F}),
    Row("SPAMfighter", Unitspamfighter::Row,
        {C("27527B81DF7C685428855BE9A26067A0"), S}, {P, W(2000), U, R, F}),
    Row("SpySweeper52", UnitSpySweeper52::Row, {S}, {U, F}),
    Row("SpySweeper55", UnitSpySweeper55::Row, {S}, {U, F}),
    Row("SpywareDetector", SpywareDetector::Row, {S}, {K("Explorer.exe"), U, F}),
    Row("SpyDoctor55", UnitSpywareDoctor55::Row, {S}, {U, R, F}),
    Row("StopSigneAcc", StopSigneAcc::Row, {S}, {U, R, F}),
    Row("STOPzilla5", STOPzilla5::Row, {X, S}, {U, R, F}),
    Row("SunJavaSE6", UnitSunJavaSE6::Row, {S}, {U, F}),
    Row("SweetIM25", SweetIM::Row, {X, S}, {U, R, F}),
    Row("syman", UnitNorton::Row, {M, S, C("497CA84818B8A04418EA464733D75B72")}, {U, R, F}),
    Row("syman10", UnitNorton::Row, {M, S, C("390E842388259AC43BBA116A57EF1A9F")}, {U, R, F}),
    Row("SymanClient10", UnitSymanClient10::Row, {X, S}, {U, R, F}),
    Row("SymantecEndPro", SymantecProtection11::Row,
        {S}, {K("RtvSacn.exe"), K("ccSvcHst.exe"), U, F}),
    Row("symantecupdate32", SymantecLiveUpdate32::Row, {S}, {U, F}),
    Row("SWinFax10", WinFax10::Row, {S}, {U, F, E1}),
    Row("SystemSuite8", SystemSuite8::Row, {X, S}, {U, R, F}),
    Row("SigmaPlot11", SigmaPlot11::Row, {X, S}, {K("Spw.exe"), U, R, F}),
    Row("WeatherDesk6", WeatherDesk6::Row, {S}, {U, R, F}),
    Row("TrendAV2008", TrendAV2008::Row, {X, S}, {U, R, F}),
    Row("TrendMicroIS2008", TrendMicroIS2008::Row, {X, S}, {U, R, F}),
    Row("Hunter50", UnitTrojanHunter50::Row, {S}, {U, F}),
    Row("TuneUp20087", UnitTuneUp2008::Row, {X, S}, {U, R, F}),
    Row("TweakUI", TweakUI::Row, {S}, {U, R, F}),
    Row("uTorrent", UnituTorrent::Row, {S}, {K("uTorrent.exe"), U, F}),
    Row("UleadVideoStudio11", UnitInterVideo11::Row, {X, L}, {U, R, F}),
    Row("VMwarePlayer2", UnitVMPlayer20::Row, {X, L}, {U, R, F}),
    Row("YahooMusicmatchJukebox10", UnitYahooMusicmatchJukebox10::Row, {S}, {U, F}),
    };
    // clang-format on
    return rows;
}

const DispatchRow* FindDispatchRow(const std::string& key) {
    for (const DispatchRow& row : DispatchRows())
        if (row.key == key)
            return &row;
    return nullptr;
}

const std::vector<std::string>& ProductCodesOf(const std::string& key) {
    // clang-format off
    static const std::map<std::string, std::vector<std::string>> codes{
    {"3dsmax2008", {"15A856FBF4D60BC4D8041D3896B299D5"}},
    {"AcronisTrueImage11", {"72B3435EFD55DB04F9FC6A341C33E1A8"}},
    {"Ad2007", {"B0B35DEDC76B4424EAA66DDFC3821DFE"}},
    {"AdobeReader601", {"68AB67CA7DA73301B7440A0000000010"}},
    {"AdobeReader700", {"68AB67CA7DA7330167647A0000000000"}},
    {"AdobeReader708", {"68AB67CA7DA73301B7447A8000000020"}},
    {"AdobeReader800", {"68AB67CA7DA73301B7448A0000000020"}},
    {"AdobeReader812", {"68AB67CA7DA73301B7448A2100000030"}},
    {"AdobeReader90", {"68AB67CA7DA73301B7449A0000000010", "8663020007180A44EB446B23AFD487F0"}},
    {"IllustratorCS2V12", {"C80D5F2B97E7DCF4AA4F75DA53FF6010"}},
    {"AdobePhoCS3",
     {"038648152B7E812498867BF7F04F578B", "07E18D2A89A280A46A824983B860C3E5",
      "13353B9B4E7BC5E4FBC4B78C876521D4", "14367109B8A0CCC47AD88F2622A8B659",
      "18796D2C293F81145A7A7C9E3CD8FB2C", "193EC481E0E736C499537D1AE0FD3D6C",
      "1AA3974510054F24BA6B3C4616C70687", "2E8086E8D316DCF4182AC6F88A0E3321",
      "474AB2D8604F0174A94E4D2FD2120FDD", "4DE556595AC7FD6409F7174478A7235E",
      "5C3BD7DD3AF63AF4A8172C2F49E00B92", "798EA96EB0E9C584582587144FD8248D",
      "79AE5E9247F575A48B2B4D1F96111738", "88B9552DD9CC84B418BB4F29AB9A4CC8",
      "91823B80FEE67504EAADA56B183AA632", "91C0B5CA158D4F24DB0A14E0FCF7075A",
      "9866FB3BD18A8D04A968A44CCA9DCFC1", "9A177208658A14A4CA7F41055E329C32",
      "9CE3E7D3FC649534299893EC10FD8BF2", "9D4289C9000937346A5A0D5E4D383149",
      "A29FFD0DE29404C48B267AA471C3525C", "A7DD5FF682EF93448BFCE1A94FAEA016",
      "A8B7DDAD0BCB5F4469A7CE6B4B2FCE9D", "C40011FFA24F13A4B9FCF7C5F8BD5EC3",
      "D702FA4077A9A564B86799F1A66B2654", "DB242B2AD8FF0484D9AA1907AEEB5CC9",
      "EEB0EBA6275D8EF44B43E9272A9834B1"}},
    {"BlackBerry42", {"7813FF5DDEEE1AA4CBA32FFF0365E0FD"}},
    {"CA_AntiSpam", {"F2E89BDCA2B72C247B811F6F3B5168FD"}},
    {"CADeskMig2007", {"41616F148799313458E41BA8AB57E36F"}},
    {"CA2008",
     {"2325A50FE5EC4724BA7244BE185098D8", "B1BAABDB463BE56439D1E4E2F2E006A9",
      "F2E89BDCA2B72C247B811F6F3B5168FD"}},
    {"CAPlus2008",
     {"2325A50FE5EC4724BA7244BE185098D8", "B1BAABDB463BE56439D1E4E2F2E006A9",
      "F2E89BDCA2B72C247B811F6F3B5168FD"}},
    {"Easympeg", {"769124769FC2564469D84D2EBA1BA656"}},
    {"Fixit8", {"E479851582D28104395367492C797464"}},
    {"HPOPL7680",
     {"056B2F94B7D295F43BD343F63677B63D", "05ED57BE4575F6F478D521E6FDE8C43B",
      "0A1F3D762F1A7b949BEE1021771B07DC", "207CD7A7EDED8A2478223BAB27D445F6",
      "218A12BEB17680D49B47A243F7D0F807", "4A65C971F75F1654B8FB9F112DE64B53",
      "543DC63AC526c6d43B2E671E42C84B15", "5F006BF4874C7FD42ACB753D08B7CA19",
      "689B2E788E70a77439CDFAB076851B29", "75F0303EB6E963E4596B7F4BBDED8BBF",
      "877570FF05E6de7499D1B370DFE42305", "96AE64716BCD80445B5A7EF55534C9FD",
      "A4F2E5F6D77300740B3EF8F75770AE51", "A6F4DACE3FB08204C9185E9D9F06C6AB",
      "BBDC55A066502AA41AB5427C2FC7F64F", "BD72CDA88C2EC6445A6761C6502CDD42",
      "C0EC6E66E1A5C0344BA0C009FF81408A", "C225617C137376645897040B89925400",
      "C70B4015D3A6E7E4B8BB69B02555B4DD", "DF7206C8CD35D644BB57ACDC07821A43",
      "E4F80D592CFD3ec4CA7BC8E80226719E", "EA15D5BA3CBED83478C207C5C702480B",
      "EC9DF1B96770b0f46A5F6CBAB756C0FD", "EE52C87977754e64988837C292C7DBDB",
      "F18A77EB513B6664B93FEA070CDA0B75"}},
    {"iFinger", {"B389A0EAC4FE39F4BA5B0EDB609F9171"}},
    {"LavaFirewall20", {"b25099274a207264182f8181add555d0"}},
    {"KasperskyInternet70", {"D014477C9FE37ED4CA1033623161E3FC"}},
    {"ActiveSync4x", {"7BD25099295922545A854571BBDA84EE"}},
    {"MPLABIDE8", {"DF5AE9E59DFD7C443810003E176A8D1E", "D111627831E3F984BAFBD4239B82F611"}},
    {"Nokiasoftwareupdater",
     {"24ACD1F40302C7349AE43766294A991C", "5A6FB34A0F5DAAA4FB1456990536CE44",
      "b25099274a207264182f8181add555d0", "DF7E60B21A5CE3043B788A4DAA58F884",
      "F0AC0E4A3091A044B989EF6ABC409999"}},
    {"OpenOffice22", {"E4F9D5EF6913B054593837761CF5181A"}},
    {"quicktime",
     {"CB6775856DB42DB41AA9D1C64BA404B3", "E240F47B9B1EB5A4D86483B71B270F4A",
      "9714374497A8EED4BB803730F7605534", "6DB1FB74CACDF8640ADA5EEDCC22113C",
      "2A5C838123BA5414581CBBB9D8AF42DC"}},
    {"STOPzilla5", {"8A59AC069BF05AA4CAA330E5E112E5C3"}},
    {"SweetIM25", {"5006753C0B1052C4AAF50431C47CC824", "97D1799511182C24E90488A3C072E787"}},
    {"SymanClient10", {"882EEBE98D02BB449893A3E4214556EB"}},
    {"SystemSuite8", {"700516A6D12736042B62AE14BE66409B"}},
    {"SigmaPlot11", {"57388A1B9BAB18045BF81A73CFE62D4A"}},
    {"TrendAV2008", {"A54B126A831D59A4EB01C7BA0AE59FE4"}},
    {"TrendMicroIS2008", {"A54B126A831D59A4EB01C7BA0AE59FE4"}},
    {"TuneUp20087", {"E8248885C99617E4FB1749EE604B79AD"}},
    {"UleadVideoStudio11",
     {"41DAA1250305BB44B8E0C56EF5EC750E", "42E9F99FF2EEDF74EA0BDF8B82955B9C"}},
    {"VMwarePlayer2", {"AE11A35A5900F39468AF1AE5A8684A50"}},
    };
    // clang-format on
    static const std::vector<std::string> none;
    const auto found = codes.find(key);
    return found == codes.end() ? none : found->second;
}

} // namespace ku
