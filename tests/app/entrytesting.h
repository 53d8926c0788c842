// Shared ground of the entry list and entry view tests: entries read from a demo server over the
// program's own manager (their DNs tied to that server's connection, as a search leaves them),
// registry keys swapped in the demo registry, and the status text. It owns nothing.
#pragma once

#include "guitest.h"
#include "results/LS_EntryListCtrl.h"
#include "shell/LS_StatusBar.h"
#include "shell/MainFrm.h"

#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qreadcompletionreport.h"
#include "access/qreadentry.h"
#include "access/qreaderrorreport.h"
#include "access/qreadreport.h"
#include "access/qreadresult.h"
#include "model/qdn.h"
#include "model/qentry.h"

#include <QMouseEvent>
#include <QStringList>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace larkspur::test {

// The directory entries of the tests' own, added to the Calder server next to the demo people.
constexpr const char* kOlivia = "cn=Olivia Holt,ou=Physics,o=Calder Institute,dc=calder,dc=example";
constexpr const char* kNell = "cn=Nell Carter,ou=Physics,o=Calder Institute,dc=calder,dc=example";
constexpr const char* kJonah = "uid=jnorth,ou=Physics,o=Calder Institute,dc=calder,dc=example";
constexpr const char* kPrinter =
    "cn=Printer+l=Leith,ou=Physics,o=Calder Institute,dc=calder,dc=example";

// Nell lists her object classes top first, holds a second common name before the one in her
// RDN, and has a description and an address over several lines.
constexpr const char* kNellLdif =
    R"(dn: cn=Nell Carter,ou=Physics,o=Calder Institute,dc=calder,dc=example
objectClass: top
objectClass: person
objectClass: organizationalPerson
cn: Eleanor Carter
cn: Nell Carter
sn: Carter
telephoneNumber: +44 131 496 0 160
description:: ICBPYnNlcnZlcyB0aGUgbm9ydGhlcm4gc2t5ICAKICBvbiBjbGVhciBuaWdodHMgIA==
postalAddress: 12 Harbour Road $ Leith $ Edinburgh
)";
// Jonah's RDN holds no common name; his first web address is a mail address, his second names
// a program on the user's own machine and his third is a web page with an at sign in it.
constexpr const char* kJonahLdif =
    R"(dn: uid=jnorth,ou=Physics,o=Calder Institute,dc=calder,dc=example
objectClass: inetOrgPerson
uid: jnorth
cn: Jonah North
sn: North
labeledURI: jnorth@calder.example Write to Jonah
labeledURI: file:///bin/sh Shell
labeledURI: https://social.calder.example/@jnorth Social
)";
// A device, which the view has no rules for, under a two-part RDN.
constexpr const char* kPrinterLdif =
    R"(dn: cn=Printer+l=Leith,ou=Physics,o=Calder Institute,dc=calder,dc=example
objectClass: device
cn: Printer
l: Leith
)";

class EntryGuiTest : public LarkspurGuiTest {
protected:
    static bool AddTestEntries(TestDirectory& server) {
        return server.ApplyLdif(kNellLdif) && server.ApplyLdif(kJonahLdif) &&
               server.ApplyLdif(kPrinterLdif);
    }

    // Reads dn in full from the server over the program's manager; null after a test failure.
    static std::unique_ptr<harrow::QEntry> ReadEntry(CLarkspur32App& app, TestDirectory& server,
                                                     const std::string& dn) {
        harrow::QDSManager* manager = app.GetDSManager();
        if (!manager) {
            qWarning("The program has no directory service manager");
            return nullptr;
        }
        const long connId =
            manager->BindManager()->OpenConnection(server.Host(), server.Port(), "", "");
        harrow::QDN name;
        name.SetDN(manager, connId, dn);
        // The DN now holds the connection for as long as the entry lives.
        manager->BindManager()->LoseRef(connId);
        EntryCollector collector;
        harrow::QReadEntry read(manager, manager->GenRequestID(), &collector, name);
        harrow::QError* error = nullptr;
        const int invoked = read.Invoke(error);
        delete error;
        if (!invoked) {
            qWarning("The test could not start reading %s", dn.c_str());
            return nullptr;
        }
        // Done once the pump has seen the engine idle again and enabled the panes.
        const CMainFrame* frame = app.GetMainFrame();
        if (!WaitUntil([&] {
                return collector.done && !manager->GetRequest(read.ID()) &&
                       (!frame || !frame->IsWorking());
            })) {
            qWarning("Reading %s did not finish", dn.c_str());
        }
        return std::move(collector.entry);
    }

    // Reads the DNs in order into a list ready for the entry list, which then owns them.
    static harrow::PtrList<harrow::QEntry> ReadEntries(CLarkspur32App& app, TestDirectory& server,
                                                       const std::vector<std::string>& dns) {
        harrow::PtrList<harrow::QEntry> entries;
        for (const std::string& dn : dns) {
            if (std::unique_ptr<harrow::QEntry> entry = ReadEntry(app, server, dn)) {
                entries.AddTail(entry.release());
            }
        }
        return entries;
    }

    // The registry with the key's values replaced by the lines given.
    static QString WithKey(const QString& registry, const QString& key, const QStringList& values) {
        const QString header =
            QStringLiteral("[HKEY_CURRENT_USER\\Software\\Calder Institute\\Larkspur\\%1]")
                .arg(key);
        QStringList lines;
        bool inKey = false;
        for (const QString& line : registry.split('\n')) {
            if (line.startsWith('[')) {
                inKey = line == header;
                lines << line;
                if (inKey) {
                    lines << values;
                }
            } else if (!inKey) {
                lines << line;
            }
        }
        return lines.join('\n');
    }

    // Hands the entries to the list and waits for the batch that shows them.
    static bool ShowEntries(LS_EntryListCtrl* list, harrow::PtrList<harrow::QEntry>& entries) {
        const int rows = list->Model()->rowCount() + static_cast<int>(entries.GetCount());
        list->AddEntries(entries);
        return WaitUntil([&] { return list->Model()->rowCount() == rows; });
    }

    static QString StatusText(CLarkspur32App& app) {
        return app.GetMainFrame()->StatusBar()->PaneText(0);
    }

    // Double-clicks a row of the list as the window system reports one: a click, then the
    // second press as a double-click. Sent straight to the list, so that no timing can split
    // the pair into two clicks. The list must be the shown page; the user waits for the pane,
    // which is disabled while the engine works.
    static void DoubleClickRow(LS_EntryListCtrl* list, int row) {
        if (!WaitUntil([&] { return list->isEnabled(); })) {
            qWarning("The entry list stayed disabled");
        }
        const QPoint middle = list->visualRect(list->Model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, middle);
        const QPointF local(middle);
        const QPointF global(list->viewport()->mapToGlobal(middle));
        QMouseEvent press(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &release);
    }

private:
    // Keeps the entry a read hands back and notes its end.
    class EntryCollector : public harrow::QRequester {
    public:
        void OnActivity(harrow::QDUAActivity activity, harrow::QRequestMsg* message) override {
            switch (activity) {
            case harrow::DUA_RESULT:
                entry.reset(std::unique_ptr<harrow::QReadResult>(
                                static_cast<harrow::QReadResult*>(message->Message()))
                                ->GetEntry());
                break;
            case harrow::DUA_REPORT:
                delete static_cast<harrow::QReadReport*>(message->Message());
                break;
            case harrow::DUA_ERROR:
                delete static_cast<harrow::QReadErrorReport*>(message->Message());
                done = true;
                break;
            case harrow::DUA_COMPLETE:
                delete static_cast<harrow::QReadCompletionReport*>(message->Message());
                done = true;
                break;
            default:
                break;
            }
        }

        std::unique_ptr<harrow::QEntry> entry;
        bool done = false;
    };
};

} // namespace larkspur::test
