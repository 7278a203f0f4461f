#pragma once
// The widget layer's rule for texts: everything that comes from the server, a stored
// setting, a data file or the operator is data, and every widget shows it as it stands,
// never as markup. Qt would take a label's or a tool tip's text that "might be rich
// text" for HTML (and load the images it names from disk); the rule is one filter on
// the application, so no widget of any control can forget it:
// - every QLabel is made plain text when it is polished (before it is first measured or
//   shown); tool tips are QLabels too, so every tool tip is literal, whoever shows it;
// - What's This texts of widgets, items and menu entries are shown escaped;
// - a window's title bar shows its title literally (Qt would drop a "[*]" in it).
// See docs/widgets.md.

#include <QString>

class QLabel;

namespace korvel::platform {

// Puts the rule in force for the running application. Idempotent, also across the
// copies of this layer that each plug-in carries: the first copy to ask installs it.
// Every program that links this layer gets it when its application object is made;
// the control shell and the host program also ask for it.
void InstallPlainTextRule();
// True when the rule is in force in this process.
bool PlainTextRuleActive();

// The one way past the rule: a label whose markup the program builds itself, with every
// piece of data in it escaped (Qt::convertFromPlainText, QString::toHtmlEscaped).
void AllowBuiltMarkup(QLabel* label);

// The text as markup that shows it literally, for the few Qt places that take only
// markup: characters escaped, line breaks kept.
QString LiteralMarkup(const QString& text);

} // namespace korvel::platform
