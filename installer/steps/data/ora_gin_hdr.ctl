-- the gene information's column titles, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_GIN_HEAD
FIELDS TERMINATED BY ';'
TRAILING NULLCOLS
(chip_type_title, index_title, identifier_title, source_title, probe_set_title,
 description_title, group_title, sequence_type_title, class_title_1, class_title_2,
 class_title_3, class_title_4, class_title_5, class_title_6, class_title_7, class_title_8,
 class_title_9, class_title_10)
