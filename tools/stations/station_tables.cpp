// Countries, first names, activities and equipment typical of a German radio club's records
// from the packet-radio years, which is why the rigs stop at models sold around 2005.
#include "station_tables.h"

#include <array>

namespace {

using namespace std::string_view_literals;

constexpr std::array kCountries = {
        Country {"Deutschland", 600, "DL DL DL DL DK DK DJ DJ DB DF DF DH DG DC DD DO", "DB0",
                 "#NRW #BAY #BW #NDS #HES #RPL #SAR #SAX #THR #SAA #BRB #MV #SH #HH #BLN #HB",
                 ".DEU.EU",
                 "darc.de t-online.de t-online.de gmx.de web.de aol.com compuserve.com "
                 "freenet.de arcor.de qsl.net",
                 NamePool::German, 60, 150, 473, 550},
        Country {"Österreich", 60, "OE", "OE", "#WIE #NOE #OOE #STM #KTN #TIR #VBG #SBG #BGL",
                 ".AUT.EU", "aon.at chello.at utanet.at qsl.net", NamePool::German, 95, 170, 464,
                 490},
        Country {"Schweiz", 50, "HB9 HB9 HB9 HB3", "HB9", "#ZH #BE #BS #SG #LU #TI #GE", ".CHE.EU",
                 "bluewin.ch swissonline.ch qsl.net", NamePool::German, 60, 105, 458, 478},
        Country {"Frankreich", 30, "F F F5 F6", "F6", "#IDF #RHA #PACA #BRE #ALS #NPC", ".FRA.EU",
                 "wanadoo.fr free.fr club-internet.fr", NamePool::French, -45, 75, 430, 505},
        Country {"Großbritannien", 30, "G G G M", "GB7", "#32 #33 #35 #43 #44 #46", ".GBR.EU",
                 "btinternet.com ntlworld.com demon.co.uk", NamePool::English, -55, 17, 500, 555},
        Country {"Niederlande", 40, "PA PA PE PD PB", "PI8", "#ZH #NH #UT #GLD #NB #LI", ".NLD.EU",
                 "planet.nl hetnet.nl xs4all.nl", NamePool::Dutch, 34, 72, 513, 535},
        Country {"Belgien", 20, "ON", "ON0", "#ANT #BRU #LIM #LIE #OVL", ".BEL.EU",
                 "skynet.be pandora.be", NamePool::Dutch, 26, 63, 495, 514},
        Country {"Tschechien", 20, "OK OK OL", "OK0", "#BOH #MOR", ".CZE.EU", "seznam.cz quick.cz",
                 NamePool::Slavic, 121, 188, 486, 510},
        Country {"Polen", 20, "SP SP SQ SO", "SR", "#MAZ #SLA #POM #MAL", ".POL.EU",
                 "wp.pl onet.pl", NamePool::Slavic, 142, 240, 490, 548},
        Country {"Kroatien", 10, "9A", "9A0", "#ZG #ST #RI #OS", ".HRV.EU", "zg.tel.hr",
                 NamePool::Slavic, 135, 194, 424, 465},
        Country {"Italien", 25, "I I IK IZ IW", "IR", "#LAZ #LOM #PIE #TOS #VEN #EMR", ".ITA.EU",
                 "libero.it tin.it", NamePool::Italian, 70, 185, 370, 465},
        Country {"Spanien", 15, "EA EA EB EC", "EA", "#CAT #MAD #AND #VAL", ".ESP.EU",
                 "telefonica.net terra.es", NamePool::Spanish, -90, 33, 360, 437},
        Country {"USA", 30, "W W K K N KA KB KC WA WB AA", "W",
                 "#WMA.MA #NNJ.NJ #NOCAL.CA "
                 "#SOCAL.CA #NTX.TX #EFL.FL #WPA.PA",
                 ".USA.NOAM", "arrl.net aol.com juno.com", NamePool::English, -1240, -700, 260,
                 480},
        Country {"Japan", 10, "JA JA JH JR JE JF JG", "JA", "#TKY #OSK #KNG", ".JPN.AS",
                 "nifty.com jarl.com", NamePool::Japanese, 1300, 1450, 310, 430},
        Country {"Australien", 5, "VK", "VK", "#NSW #VIC #QLD #WA", ".AUS.OC",
                 "bigpond.com ozemail.com.au", NamePool::English, 1150, 1530, -380, -200},
        Country {"Dänemark", 15, "OZ", "OZ", "#SJL #JYL #FYN", ".DNK.EU", "mail.tele.dk get2net.dk",
                 NamePool::Nordic, 81, 126, 546, 577},
        Country {"Schweden", 10, "SM SM SA", "SK", "#STO #GBG #SKA", ".SWE.EU", "telia.com",
                 NamePool::Nordic, 110, 240, 553, 680},
        Country {"Luxemburg", 5, "LX", "LX0", "#LUX", ".LUX.EU", "pt.lu", NamePool::German, 57, 65,
                 494, 502},
};

constexpr std::array kGermanNames = {
        "Hans-Jürgen"sv, "Jürgen"sv,  "Björn"sv,     "Jörg"sv,     "Günter"sv,      "Günther"sv,
        "Sören"sv,       "Uwe"sv,     "Käthe"sv,     "Bärbel"sv,   "Gisela"sv,      "Jens"sv,
        "Klaus"sv,       "Horst"sv,   "Rüdiger"sv,   "Jörn"sv,     "Dörte"sv,       "André"sv,
        "Wolfgang"sv,    "Dieter"sv,  "Manfred"sv,   "Peter"sv,    "Werner"sv,      "Heinz"sv,
        "Karl-Heinz"sv,  "Helmut"sv,  "Gerhard"sv,   "Bernd"sv,    "Frank"sv,       "Thomas"sv,
        "Michael"sv,     "Andreas"sv, "Stefan"sv,    "Ralf"sv,     "Detlef"sv,      "Hartmut"sv,
        "Lothar"sv,      "Götz"sv,    "Sönke"sv,     "Ursula"sv,   "Renate"sv,      "Monika"sv,
        "Brigitte"sv,    "Heike"sv,   "Hannelore"sv, "Ingrid"sv,   "Hans-Günter"sv, "Jochen"sv,
        "Achim"sv,       "Torsten"sv, "Rainer"sv,    "Reinhard"sv, "Friedrich"sv,   "Fritz"sv,
        "Josef"sv,       "Franz"sv,   "Alois"sv,     "Ulf"sv,      "Wilfried"sv,    "Eckhard"sv,
        "Hans-Jörg"sv,   "Käte"sv,    "Sven"sv,      "Kai"sv,      "Dirk"sv};
constexpr std::array kFrenchNames = {"François"sv, "André"sv,    "Hélène"sv, "Jean-Pierre"sv,
                                     "Jérôme"sv,   "Frédéric"sv, "Michel"sv, "Pierre"sv,
                                     "Gérard"sv,   "René"sv,     "Cécile"sv, "Benoît"sv,
                                     "Noël"sv,     "Thierry"sv,  "Loïc"sv};
constexpr std::array kDutchNames = {"Jan"sv,    "Pieter"sv, "Kees"sv,  "Henk"sv,
                                    "Joost"sv,  "Wim"sv,    "Geert"sv, "Marijke"sv,
                                    "Sjoerd"sv, "Luc"sv,    "Koen"sv,  "Anneke"sv};
constexpr std::array kEnglishNames = {"John"sv,  "David"sv,   "Peter"sv,  "Robert"sv,   "William"sv,
                                      "James"sv, "Richard"sv, "Susan"sv,  "Margaret"sv, "Ian"sv,
                                      "Nigel"sv, "Graham"sv,  "Trevor"sv, "Bob"sv};
constexpr std::array kItalianNames = {"Giuseppe"sv, "Giovanni"sv, "Marco"sv,
                                      "Luca"sv,     "Paolo"sv,    "Francesco"sv,
                                      "Nicolò"sv,   "Roberto"sv,  "Salvatore"sv};
constexpr std::array kSpanishNames = {"José"sv,  "Juan"sv,   "Antonio"sv, "Jesús"sv, "Manuel"sv,
                                      "Ángel"sv, "Begoña"sv, "Joaquín"sv, "Ramón"sv};
constexpr std::array kSlavicNames = {
        "Jan"sv,    "Pavel"sv,   "Petr"sv,  "Karel"sv, "Miroslav"sv, "Piotr"sv, "Krzysztof"sv,
        "Tomasz"sv, "Andrzej"sv, "Marek"sv, "Ivan"sv,  "Zoran"sv,    "Davor"sv, "Goran"sv};
constexpr std::array kNordicNames = {"Søren"sv, "Bjørn"sv,  "Lars"sv, "Anders"sv, "Nils"sv,
                                     "Åke"sv,   "Jørgen"sv, "Per"sv,  "Ole"sv,    "Göran"sv};
constexpr std::array kJapaneseNames = {"Hiroshi"sv, "Takeshi"sv, "Kenji"sv,  "Yoshio"sv,
                                       "Akira"sv,   "Masao"sv,   "Toshio"sv, "Kazuo"sv};

constexpr std::array kActivities = {"DX"sv,
                                    "Contest"sv,
                                    "SSTV"sv,
                                    "Fieldday"sv,
                                    "QRP"sv,
                                    "EME 2m"sv,
                                    "RTTY"sv,
                                    "PSK31"sv,
                                    "Packet-Radio"sv,
                                    "ATV"sv,
                                    "Satellitenfunk"sv,
                                    "CW"sv,
                                    "Mobilbetrieb"sv,
                                    "Fuchsjagd"sv,
                                    "Diplome"sv,
                                    "IOTA"sv,
                                    "DOK-Jagd"sv,
                                    "AMTOR"sv,
                                    "Meteorscatter"sv,
                                    "Relaisfunk"sv,
                                    "Bergfunk"sv,
                                    "Ausbildung"sv,
                                    "Selbstbau"sv,
                                    "Antennenbau"sv,
                                    "Notfunk"sv,
                                    "PACTOR"sv,
                                    "Jugendarbeit"sv,
                                    "Röhrentechnik"sv,
                                    "UKW-Contest"sv,
                                    "Mikrowelle 10 GHz"sv,
                                    "Aurora"sv,
                                    "Sporadic-E"sv,
                                    "Übungsfunk"sv,
                                    "Störungssuche"sv,
                                    "Morsetelegrafie"sv,
                                    "Leuchttürme"sv,
                                    "Fernseh-DX"sv};

constexpr std::array kRadios = {
        "IC-706MKIIG"sv,   "IC-735"sv,          "IC-751A"sv,          "IC-765"sv,
        "IC-775DSP"sv,     "IC-746"sv,          "IC-718"sv,           "IC-202"sv,
        "IC-275H"sv,       "IC-910H"sv,         "FT-817"sv,           "FT-847"sv,
        "FT-897"sv,        "FT-1000MP"sv,       "FT-990"sv,           "FT-920"sv,
        "FT-757GX"sv,      "FT-101ZD"sv,        "FT-902DM"sv,         "FT-290R"sv,
        "FT-736R"sv,       "TS-850S"sv,         "TS-940S"sv,          "TS-930S"sv,
        "TS-450S"sv,       "TS-50S"sv,          "TS-570D"sv,          "TS-870S"sv,
        "TS-2000"sv,       "TS-711E"sv,         "TS-811E"sv,          "Drake TR-7"sv,
        "Collins KWM-2"sv, "Heathkit HW-101"sv, "Ten-Tec Argonaut"sv, "Elecraft K2"sv,
        "Selbstbau-TRX"sv};
constexpr std::array kPowers = {"QRP"sv,   "5 W"sv,      "10 W"sv,    "50 W"sv,
                                "100 W"sv, "100 W"sv,    "100 W"sv,   "150 W"sv,
                                "200 W"sv, "400 W PA"sv, "750 W PA"sv};
constexpr std::array kAntennas = {"Dipol"sv,
                                  "Windom"sv,
                                  "G5RV"sv,
                                  "FD4"sv,
                                  "W3DZZ"sv,
                                  "Beam 3 El."sv,
                                  "Beam 5 El."sv,
                                  "Vertikal"sv,
                                  "Groundplane"sv,
                                  "Delta-Loop"sv,
                                  "Quad 2 El."sv,
                                  "Langdraht 41 m"sv,
                                  "Magnetische Loop"sv,
                                  "Yagi 10 El. 2m"sv,
                                  "Kreuzyagi"sv,
                                  "Parabolspiegel 3 m"sv,
                                  "Sperrtopf"sv,
                                  "Hühnerleiter-Dipol"sv,
                                  "Mobilantenne"sv,
                                  "Spiderbeam"sv};

} // namespace

std::span<const Country> countries()
{
    return kCountries;
}

std::span<const std::string_view> firstNames(NamePool pool)
{
    switch (pool) {
    case NamePool::French:
        return kFrenchNames;
    case NamePool::Dutch:
        return kDutchNames;
    case NamePool::English:
        return kEnglishNames;
    case NamePool::Italian:
        return kItalianNames;
    case NamePool::Spanish:
        return kSpanishNames;
    case NamePool::Slavic:
        return kSlavicNames;
    case NamePool::Nordic:
        return kNordicNames;
    case NamePool::Japanese:
        return kJapaneseNames;
    case NamePool::German:
        break;
    }
    return kGermanNames;
}

std::span<const std::string_view> activities()
{
    return kActivities;
}

std::span<const std::string_view> radios()
{
    return kRadios;
}

std::span<const std::string_view> powers()
{
    return kPowers;
}

std::span<const std::string_view> antennas()
{
    return kAntennas;
}
