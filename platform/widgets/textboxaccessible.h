#pragma once

class QPlainTextEdit;

// Screen readers get a text box's own text, not the split lines its editor shows: the
// editor of every TextBox answers them in positions of the box's text.
void installTextBoxAccessibility();

// The editor's own reports of document changes speak in document positions, which differ
// from positions in the box's text; the box reports its changes itself, so the editor's
// reports of `editor` are turned off.
void stopDocumentChangeReports(QPlainTextEdit *editor);
