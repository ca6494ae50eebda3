// Profile table, first part: UnitNorton to UnitAOLComputerCheck43.
// Where a path was cut back to the folder that holds all of a vendor's products, the row keeps
// the product's own folder (KeepFolder) instead: scanning the vendor folder would list every
// other product of that vendor for deletion. For the same reason no row reads a value that names
// a vendor's shared-components folder or the vendor folder itself.
#include "special/profiles/OwnSteps.h"
#include "special/profiles/ProfileUnits.h"

namespace ku::profiles {

namespace {
const DataFile A = DataFile::CodeA, B = DataFile::CodeB, C = DataFile::CodeC;
const DataFile NoSection = DataFile::None;
const char kSav[] = "SOFTWARE\\Symantec\\Symantec AntiVirus\\Install\\7.50";
const char kReader80[] = "SOFTWARE\\Adobe\\Acrobat Reader\\8.0\\Installer";
} // namespace

const ProfileRow UnitNorton::Row =
    Profile("UnitNorton", A)
        .Sources({Hklm(kSav, "InstallDir")})
        .Pause(1000);

const ProfileRow Unitspamfighter::Row =
    Profile("Unitspamfighter", A)
        .Stops({Service("BITS"), Service("SPAMfighter Update Service")})
        .Sources({Hklm("SOFTWARE\\SPAMfighter\\Installation", "Directory")});

const ProfileRow UnitAppleQuick::Row =
    Profile("UnitAppleQuick", C).Stops({Service("iPod Service")});

const ProfileRow UnitAdobeReader811::Row =
    Profile("UnitAdobeReader811", B).Sources({Hklm(kReader80, "Path")});

const ProfileRow UnitEasympeg33462::Row = Profile("UnitEasympeg33462", C);

const ProfileRow UnitDvd43::Row =
    Profile("UnitDvd43", NoSection)
        .Stops({Process("DVD43_Tray.exe"), Service("dvd43llh")})
        .Sources({EnvironmentFolder("ProgramFiles").Append("\\dvd43")})
        .Fixed({DelValue(HKEY_LOCAL_MACHINE, kRunKey, "dvd43"),
                DelKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\dvd43llh")});

const ProfileRow UnitAdobeReader810::Row =
    Profile("UnitAdobeReader810", B).Sources({Hklm(kReader80, "Path")});
const ProfileRow UnitAdobeReader812::Row = Profile("UnitAdobeReader812", B);
const ProfileRow UnitAdobeReader800::Row = Profile("UnitAdobeReader800", B);
const ProfileRow UnitAdobeReader708::Row = Profile("UnitAdobeReader708", B);
const ProfileRow UnitAdobeReader700::Row = Profile("UnitAdobeReader700", B);
const ProfileRow UnitAdobeReader601::Row = Profile("UnitAdobeReader601", B);

const ProfileRow UnitVMPlayer20::Row =
    Profile("UnitVMPlayer20", A).After(RemoveVirtualNetworkAdapters);

const ProfileRow Unit3dsmax2008::Row = Profile("Unit3dsmax2008", B);

const ProfileRow UnitCAAntiSpam2008::Row =
    Profile("UnitCAAntiSpam2008", B)
        .Sources({Hklm(UninstallKey("{CDB98E2F-7B2A-42C2-B718-F1F6B31586DF}"), "InstallLocation")
                      .CutAnyCase("\\CA Website Inspector"),
                  Hklm(UninstallKey("{F05A5232-CE5E-4274-AB27-44EB8105898D}"), "InstallLocation")
                      .CutAnyCase("\\PPRT")
                      .Then(StepKind::DropLeadingQuote)});

const ProfileRow Unitspybotsd152::Row =
    Profile("Unitspybotsd152", C)
        .Sources(
            {Hklm(UninstallKey("{B4092C6D-E886-4CB2-BA68-FE5A88D31DE6}_is1"), "InstallLocation")});

// AppLoader sits in the vendor's shared folder: only AppLoader's own folder is scanned.
const ProfileRow UnitBlackBerry::Row =
    Profile("UnitBlackBerry", B)
        .Sources({Hklm("SOFTWARE\\Research In Motion\\AppLoader", "Path")
                      .KeepFolderAnyCase("\\AppLoader")});

const ProfileRow UnitPCMightyMax9::Row =
    Profile("UnitPCMightyMax9", C).Sources({Hklm("SOFTWARE\\PC MightyMax", "Installdir")});

const ProfileRow UnitInterVideo11::Row = Profile("UnitInterVideo11", B);

const ProfileRow UnitAdAware2007::Row =
    Profile("UnitAdAware2007", B).Stops({Service("aawservice")});

const ProfileRow UnitAdRegOpt20::Row =
    Profile("UnitAdRegOpt20", C)
        .Sources({Hklm(UninstallKey("{634F6989-4BB5-4EF2-AF6F-C15700F81494}_is1"),
                       "Inno Setup: App Path")});

const ProfileRow UnitCalendar12::Row =
    Profile("UnitCalendar12", B)
        .Sources({Hklm("SOFTWARE\\Broderbund Software\\Print\\Calendar Creator\\12.0",
                       "$Install_ToDirectory$")});

const ProfileRow Unitiolo::Row =
    Profile("Unitiolo", B)
        .Sources({Hklm("SOFTWARE\\Iolo\\System Mechanic 7", "AppPath").CutAnyCase("\\SysMech7.exe"),
                  Hkcr("TypeLib\\{3A2E674C-52F9-41A0-A593-CE0E49E21434}\\1.0\\0\\win32", "")
                      .CutAnyCase("\\ioloServiceManager.exe")});

// Explorer's history keys (recent files, program lists) hold every program's entries and are
// left alone by all profiles.
const ProfileRow UnituTorrent::Row =
    Profile("UnituTorrent", NoSection)
        .Sources({Hkcr("Applications\\uTorrent.exe\\shell\\open\\command", "")
                      .ReadOnly()
                      .Then(StepKind::DropFirst, 1)
                      .CutAnyCase("\\uTorrent.exe")})
        .Fixed({DelKey(HKEY_CLASSES_ROOT, "uTorrent\\shell\\open\\command"),
                DelKey(HKEY_CLASSES_ROOT, "Applications\\uTorrent.exe"),
                DelKey(HKEY_CURRENT_USER, UninstallKey("uTorrent")),
                DelKey(HKEY_CURRENT_USER,
                       "Software\\Classes\\Applications\\uTorrent.exe\\shell\\open\\command"),
                DelKey(HKEY_CURRENT_USER, "Software\\Classes\\uTorrent"),
                DelKey(HKEY_CURRENT_USER, "Software\\Classes\\.torrent"),
                DelKey(HKEY_CURRENT_USER, "Software\\Classes\\Applications\\uTorrent.exe"),
                DelKey(HKEY_CLASSES_ROOT, ".torrent"), DelKey(HKEY_CLASSES_ROOT, "uTorrent")});

const ProfileRow UnitAntivirPersonalEdition::Row =
    Profile("UnitAntivirPersonalEdition", C)
        .Sources({Hklm("SOFTWARE\\Avira\\AntiVir PersonalEdition Classic", "Path")
                      .ReadOnly()
                      .KeepFolder("\\AntiVir PersonalEdition Classic"),
                  Hklm("SOFTWARE\\Avira\\AntiVir PersonalEdition Classic", "AppDataDirectory")
                      .ReadOnly()
                      .KeepFolder("\\AntiVir PersonalEdition Classic")});

const ProfileRow UnitNokiaUpdater::Row =
    Profile("UnitNokiaUpdater", B)
        .Sources({Hklm("SOFTWARE\\Nokia\\Nokia Software Updater", "InstPath")});

const ProfileRow UnitNetscape7::Row =
    Profile("UnitNetscape7", B)
        .Sources(
            {EachSubkey("SOFTWARE\\Netscape\\Netscape", "\\Main", "Install Directory").ReadOnly()});

const ProfileRow UnitERMIC72::Row =
    Profile("UnitERMIC72", B)
        .Sources({Hklm("SOFTWARE\\Earth Resource Mapping\\ER Mapper Image Compressor 7.2", "Path")
                      .Then(StepKind::TrailingBackslash)});

const ProfileRow UnitImesh49::Row =
    Profile("UnitImesh49", C)
        .Sources({Hklm("SOFTWARE\\Conduit\\Community Alerts", "Path").CutAnyCase("\\Alert.dll"),
                  Hklm("SOFTWARE\\download-boosters\\toolbar", "Path"),
                  Hklm("SOFTWARE\\Imesh Acceleration Patch", "")});

const ProfileRow Unit3DEarth::Row =
    Profile("Unit3DEarth", B).Sources({Hklm("SOFTWARE\\CToolbar", "PathRoot")});

const ProfileRow UnitRoxioEasyMeidaCreator705::Row =
    Profile("UnitRoxioEasyMeidaCreator705", A)
        .Sources({Hklm("SOFTWARE\\Roxio\\Creator 7", "Install Location")
                      .ReadOnly()
                      .KeepFolder("\\Easy Media Creator 7"),
                  Hklm("SOFTWARE\\Roxio\\Certificates7\\", "Location")
                      .ReadOnly()
                      .KeepFolder("\\Certificates7")})
        .Extra(ExtraCommand::RegisterOleAut);

const ProfileRow UnitRivaTuner2::Row =
    Profile("UnitRivaTuner2", NoSection)
        .Sources({Hklm(UninstallKey("RivaTuner"), "UninstallString")
                      .Then(StepKind::DropFirst, 1)
                      .CutAnyCase("\\uninstall.exe")});

const ProfileRow UnitHandycafe21::Row =
    Profile("UnitHandycafe21", NoSection)
        .Sources({Hklm(kRunKey, "hndclient").CutAnyCase("\\_hndguard.exe")})
        .Fixed({DelKey(HKEY_CURRENT_USER, "Software\\HandyCafe"),
                DelValue(HKEY_LOCAL_MACHINE, kRunKey, "hndclient")});

const ProfileRow UnitAdobePhotoDeluxeHomeEdition40::Row =
    Profile("UnitAdobePhotoDeluxeHomeEdition40", B)
        .Sources({Hklm("SOFTWARE\\Classes\\Software\\Adobe\\InstallPath", "").ReadOnly().AsRead(),
                  Hklm("SOFTWARE\\Adobe\\Media Browser", "Path")
                      .ReadOnly()
                      .KeepFolder("\\Media Browser")});

const ProfileRow UnitRediffBol8::Row =
    Profile("UnitRediffBol8", A)
        .Sources({Hklm("SOFTWARE\\Rediff\\Rediff Bol 8.0", "Install_Dir"),
                  Hklm("SOFTWARE\\Rediff\\Rediff Toolbar", "Install_Dir")});

const ProfileRow UnitComodoFirewall::Row =
    Profile("UnitComodoFirewall", B)
        .Sources({Hklm(UninstallKey("AskSBar Uninstall"), "UninstallString")
                      .Then(StepKind::DropFirst, 8)
                      .CutAnyCase("\\bar\\1.bin")
                      .Then(StepKind::Trim),
                  Hklm(UninstallKey("COMODO Firewall Pro"), "UninstallString")
                      .KeepFolderAnyCase("\\Firewall")});

// The last source: a binary value whose text ends in the folder (its last 50 characters once
// ten trailing ones are dropped).
const ProfileRow UnitAdobeInDesignCS2::Row =
    Profile("UnitAdobeInDesignCS2", B)
        .Stops({Service("Adobe LM Service")})
        .Sources({Hklm(UninstallKey("Adobe InDesign CS2 - {7F4C8163-F259-49A0-A018-2857A90578BC}"),
                       "InstallLocation")
                      .ReadOnly(),
                  Hklm(ComponentKey("69939E085166773438B96B3A85896964"),
                       "3618C4F7952F0A940A8182759A5087CB")
                      .ReadOnly()
                      .Cut("\\Shell"),
                  BinaryText("SOFTWARE\\Adobe Systems\\Common Install\\Shared Service\\B3173000",
                             "InDesign CS2")
                      .Then(StepKind::DropLast, 10)
                      .Then(StepKind::KeepLast, 50)});

const ProfileRow UnitLexmark1400::Row =
    Profile("UnitLexmark1400", B)
        .Sources({Hklm(UninstallKey("Lexmark 1400 Series"), "UninstallString")
                      .NoViewFlag()
                      .CutAnyCase("\\Install")
                      .Then(StepKind::Trim)});

const ProfileRow UnitRoxioGoback30::Row =
    Profile("UnitRoxioGoback30", C)
        .Sources({Hklm("SOFTWARE\\Roxio\\GoBack\\Install", "Path").ReadOnly()});

const ProfileRow UnitAOLComputerCheck43::Row =
    Profile("UnitAOLComputerCheck43", C)
        .Sources({Hklm("SOFTWARE\\America Online\\AOL Diagnostics", "InstallDir")
                      .ReadOnly()
                      .KeepFolder("\\AOLDiag")});

} // namespace ku::profiles
