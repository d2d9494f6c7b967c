SET TERM ^;
EXECUTE BLOCK
AS
DECLARE VARIABLE IDCTR       INTEGER;
DECLARE VARIABLE IDCLIENT    BIGINT;
DECLARE VARIABLE CSOLDE      DECIMAL(18,2);
DECLARE VARIABLE SMSG        VARCHAR(250);
DECLARE VARIABLE IDSTATION   DOM_CLE_EXTERNE;
DECLARE VARIABLE IDTICKET    DOM_CLE_EXTERNE;
DECLARE VARIABLE IDOPERATEUR DOM_CLE_EXTERNE;
DECLARE VARIABLE NOM_ARTICLE DOM_CHAINE_50;
DECLARE VARIABLE IDTARIF     DOM_CLE_EXTERNE;
DECLARE VARIABLE IDTVA       DOM_CLE_EXTERNE_NULL;
DECLARE VARIABLE TVA_TAUX    DOM_DECIMAL;
BEGIN
  IDOPERATEUR = 0;

  FOR
    SELECT DISTINCT TCPR_IDCLI, TCPR_IDCTR / 10
     FROM T_CLIENTS_PRESENTS
     WHERE IIF(:IDCENTRE > 0, TCPR_IDCTR = :IDCENTRE * 10, TCPR_IDCTR >= 10000)
     ORDER BY 1
    INTO
     :IDCLIENT, :IDCTR
  DO
  BEGIN
    CSOLDE = 0;
    SELECT SOLDE
     FROM ACCES_SOLDE(:IDCLIENT, 0, CURRENT_DATE)
    INTO
     :CSOLDE;
    IF (CSOLDE < 0) THEN
    BEGIN
      IF (:IDCENTRE <= 0) THEN :IDCTR = (SELECT CLI_CENTRE FROM CLIENTS WHERE (CLI_ID = :IDCLIENT));
      ELSE IF (:IDCTR <= 0) THEN :IDCTR = (SELECT FIRST 1 CTR_ID FROM CENTRE WHERE CTR_GENERATOR > 1);
      SELECT FIRST 1 STA_ID
       FROM STATION
       WHERE STA_CREATION_IDCTR = :IDCTR
      INTO
       :IDSTATION;    
      IDTVA = NULL;
      -- recherche infos
      SELECT FIRST 1 ART_NOM,
                     ATA_ID,
                     ATA_IDTVA,
                     TVA_TAUX
       FROM ARTICLE
       INNER JOIN ARTICLE_TARIF ON (ATA_IDART = ART_ID)
       INNER JOIN TVA ON (TVA_ID = ATA_IDTVA)
       WHERE (ATA_DEFAUT = -1)
             AND (ART_ID = :IDARTICLE)
      INTO
       :NOM_ARTICLE,
       :IDTARIF,
       :IDTVA,
       :TVA_TAUX;
      -- sécurité
      IF (IDTVA IS NULL) THEN
      BEGIN
        SUSPEND;
        EXIT;
      END

      -- TICKET
      SELECT FIRST 1 TICKET_ID
       FROM TICKET_CREATION(:IDOPERATEUR, :IDOPERATEUR, :IDCTR, :IDSTATION, :IDCLIENT)
      INTO
       :IDTICKET;

      -- INSCRIPTION DE LA VENTE
      INSERT INTO VENTE (VTE_ID,
                         VTE_IDCLI,
                         VTE_OPERATEUR_IDEMP,
                         VTE_VENDEUR_IDEMP,
                         VTE_IDDEVISE,
                         VTE_IDTVA,
                         VTE_QTE,
                         VTE_PU,
                         VTE_PU_HT,
                         VTE_IDART,
                         VTE_IDOPE,
                         VTE_LIBELLE,
                         VTE_MONTANT_TTC,
                         VTE_MONTANT_HT,
                         VTE_TAUX_TVA,
                         VTE_CAISSE_IDSTA,
                         VTE_IDATA,
                         VTE_IDTICK,
                         VTE_CREATION_IDCTR)
       VALUES (NEXT VALUE FOR IDGENERIQUE,
               :IDCLIENT,
               :IDOPERATEUR,
               :IDOPERATEUR,
               (SELECT FIRST 1 DEV_ID
                 FROM DEVISE
                 WHERE DEV_DEFAUT = -1),
               :IDTVA,
               1,
               :CSOLDE,
               (SELECT MONTANT_HT
                 FROM CALCULER_HT(:CSOLDE, :TVA_TAUX)),
               :IDARTICLE,
               NEXT VALUE FOR IDGENERIQUE,
               F_TRADUCTION(2479),
               :CSOLDE,
               (SELECT MONTANT_HT
                 FROM CALCULER_HT(:CSOLDE, :TVA_TAUX)),
               :TVA_TAUX,
               (SELECT FIRST 1 STA_ID
                 FROM STATION
                 WHERE STA_CREATION_IDCTR = :IDCTR),
               :IDTARIF,
               :IDTICKET,
               :IDCTR);

      -- VALIDATION DU TICKET
      EXECUTE PROCEDURE TICKET_VALIDATION(:IDTICKET);

      -- ajout d'un message
      SMSG = REPLACE(:MSG, '%SOLDE', CAST(-:CSOLDE AS VARCHAR(20)));
      INSERT INTO CLIENTS_MESSAGE (CMG_ID,
                                   CMG_IDCLI,
                                   CMG_IDEMP,
                                   CMG_DATE,
                                   CMG_MESSAGE,
                                   CMG_TYPE,
                                   CMG_CREATION,
                                   CMG_CREATION_IDCTR)
       VALUES (NEXT VALUE FOR IDGENERIQUE,
               :IDCLIENT,
               0,
               CURRENT_DATE,
               :SMSG,
               :CMGTYPE,
               CURRENT_DATE,
               :IDCTR);
    END
  END
END^

SET TERM ;^
