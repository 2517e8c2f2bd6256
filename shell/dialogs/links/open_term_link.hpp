// Opening the web page of an annotation term from the views that show terms.
#pragma once

// Opens the page of term in the gene information's term column with OpenLink: a
// gene-ontology class or a protein domain; other columns and terms have no page, and
// nothing happens.
void OpenTermLink(int column, int term);
