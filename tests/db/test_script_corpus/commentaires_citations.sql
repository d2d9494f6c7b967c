/* Comments and quoted text that hold terminators: none of them may cut a statement.
   COMMIT; ^ -- inside a block comment */
CREATE TABLE CORPUS_B (ID INTEGER, TXT VARCHAR(80), "Colonne;Mixte" VARCHAR(20));
INSERT INTO CORPUS_B VALUES (1, 'un; deux', 'a');   -- ajout d'un commentaire ; ici
INSERT INTO CORPUS_B VALUES (2, 'l''apostrophe ; reste', 'b') /* ; */;
INSERT INTO CORPUS_B -- l'entête ;
  VALUES (3, '/* pas un commentaire */', '-- non plus');
INSERT INTO CORPUS_B (ID, TXT, "Colonne;Mixte") VALUES (4, 'élève à l''école — 5 €', 'ç');
/* entre deux */ INSERT INTO CORPUS_B VALUES (5, '"double"', '''');
SET TERM ^;
INSERT INTO CORPUS_B VALUES (6, 'sous ^ chapeau', ';')^
SET TERM ;^
INSERT INTO CORPUS_B VALUES (7, 'fin', NULL);
