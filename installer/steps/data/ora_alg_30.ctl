-- algorithms of a data object before 3.1, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_ALG
FIELDS TERMINATED BY ';'
(alg_name CHAR(255), alg_id, alg_type, prog_id, cif_name)
